// RESTORE FILELISTONLY and RESTORE HEADERONLY: what a backup file holds, in SQL Server's
// result sets, column for column in its order and with its types.
#include "devserver/engine/BackupMedia.h"
#include "devserver/engine/BackupReading.h"
#include "devserver/engine/Evaluator.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/Paths.h"
#include "devserver/engine/Statements.h"
#include "devserver/engine/Text.h"

namespace devserver::statements {

using backup_media::BackupSet;

namespace {

constexpr int kSysnameLength = 128;
constexpr int kLsnPrecision = 25;
constexpr int kSizePrecision = 20;
constexpr int kFirstReleaseWithContainment = 11;
constexpr int kFirstReleaseWithEncryption = 12;
constexpr int kFirstReleaseWithSnapshots = 13;
constexpr std::int64_t kDiskDevice = 2;
constexpr std::int64_t kMicrosoft = 4608;
constexpr std::int64_t kVersionBuild = 1000;
constexpr std::int64_t kUsEnglish = 1033;
constexpr std::int64_t kIgnoreCaseKanaWidth = 196609;
constexpr std::int64_t kUnlimitedSize = 35184372080640;
constexpr std::int64_t kSourceBlockSize = 512;
const std::u16string kNoGuid = u"00000000-0000-0000-0000-000000000000";
const std::u16string kCollation = u"SQL_Latin1_General_CP1_CI_AS";

Column column(const char16_t* name, ColumnType type, int length = 0, bool nullable = false) {
    return Column{name, type, length, nullable};
}

std::u16string fileGuid(const std::string& databaseGuid, int fileId) {
    std::string guid = databaseGuid;
    const std::string suffix = std::to_string(fileId);
    if (guid.size() >= suffix.size()) {
        guid.replace(guid.size() - suffix.size(), suffix.size(), suffix);
    }
    return text::fromAscii(guid);
}

Value dateOf(const std::string& recorded) {
    return recorded.empty() ? Value{} : Value{text::fromAscii(recorded)};
}

std::filesystem::path pathOf(const syntax::Expr& device, const Context& context) {
    const Evaluator evaluator(context);
    return paths::resolve(context.state().host(), evaluator.textOf(device));
}

void answer(RowSet rows, const Context& context) {
    const auto count = rows.rows.size();
    context.add(std::move(rows));
    context.add(Done{false, count, kCurCmdSelect});
}

RowSet fileListColumns(int release) {
    RowSet rows;
    rows.columns = {
        column(u"LogicalName", ColumnType::NVarChar, kSysnameLength),
        column(u"PhysicalName", ColumnType::NVarChar, 260),
        column(u"Type", ColumnType::Char, 1),
        column(u"FileGroupName", ColumnType::NVarChar, kSysnameLength, true),
        column(u"Size", ColumnType::Numeric, kSizePrecision),
        column(u"MaxSize", ColumnType::Numeric, kSizePrecision),
        column(u"FileID", ColumnType::BigInt),
        column(u"CreateLSN", ColumnType::Numeric, kLsnPrecision),
        column(u"DropLSN", ColumnType::Numeric, kLsnPrecision, true),
        column(u"UniqueID", ColumnType::UniqueIdentifier),
        column(u"ReadOnlyLSN", ColumnType::Numeric, kLsnPrecision, true),
        column(u"ReadWriteLSN", ColumnType::Numeric, kLsnPrecision, true),
        column(u"BackupSizeInBytes", ColumnType::BigInt),
        column(u"SourceBlockSize", ColumnType::Int),
        column(u"FileGroupID", ColumnType::Int),
        column(u"LogGroupGUID", ColumnType::UniqueIdentifier, 0, true),
        column(u"DifferentialBaseLSN", ColumnType::Numeric, kLsnPrecision, true),
        column(u"DifferentialBaseGUID", ColumnType::UniqueIdentifier, 0, true),
        column(u"IsReadOnly", ColumnType::Bit),
        column(u"IsPresent", ColumnType::Bit),
        column(u"TDEThumbprint", ColumnType::VarBinary, 32, true),
    };
    if (release >= kFirstReleaseWithSnapshots) {
        rows.columns.push_back(column(u"SnapshotURL", ColumnType::NVarChar, 360, true));
    }
    return rows;
}

std::vector<Value> fileListRow(const BackupSet& set, const DatabaseFile& file, const State& state,
                               std::size_t columns) {
    const bool data = file.kind == FileKind::Data;
    const std::int64_t bytes = backup_media::pagesOf(set, file) * backup_media::kPageBytes;
    std::vector<Value> row = {file.logicalName,
                              paths::display(state.host(), file.path),
                              std::u16string(data ? u"D" : u"L"),
                              data ? Value(std::u16string(u"PRIMARY")) : std::nullopt,
                              bytes,
                              kUnlimitedSize,
                              std::int64_t{file.fileId},
                              std::int64_t{0},
                              std::nullopt,
                              fileGuid(set.guid, file.fileId),
                              std::nullopt,
                              std::nullopt,
                              bytes,
                              kSourceBlockSize,
                              std::int64_t{data ? 1 : 0},
                              std::nullopt,
                              std::int64_t{0},
                              kNoGuid,
                              std::int64_t{0},
                              std::int64_t{1},
                              std::nullopt,
                              std::nullopt};
    row.resize(columns);
    return row;
}

RowSet headerListColumns(int release) {
    const int name = kSysnameLength;
    RowSet rows;
    rows.columns = {
        column(u"BackupName", ColumnType::NVarChar, name, true),
        column(u"BackupDescription", ColumnType::NVarChar, 255, true),
        column(u"BackupType", ColumnType::SmallInt),
        column(u"ExpirationDate", ColumnType::DateTime, 0, true),
        column(u"Compressed", ColumnType::Bit),
        column(u"Position", ColumnType::SmallInt),
        column(u"DeviceType", ColumnType::TinyInt),
        column(u"UserName", ColumnType::NVarChar, name),
        column(u"ServerName", ColumnType::NVarChar, name),
        column(u"DatabaseName", ColumnType::NVarChar, name),
        column(u"DatabaseVersion", ColumnType::Int),
        column(u"DatabaseCreationDate", ColumnType::DateTime, 0, true),
        column(u"BackupSize", ColumnType::Numeric, kSizePrecision),
        column(u"FirstLSN", ColumnType::Numeric, kLsnPrecision),
        column(u"LastLSN", ColumnType::Numeric, kLsnPrecision),
        column(u"CheckpointLSN", ColumnType::Numeric, kLsnPrecision),
        column(u"DatabaseBackupLSN", ColumnType::Numeric, kLsnPrecision),
        column(u"BackupStartDate", ColumnType::DateTime, 0, true),
        column(u"BackupFinishDate", ColumnType::DateTime, 0, true),
        column(u"SortOrder", ColumnType::SmallInt),
        column(u"CodePage", ColumnType::SmallInt),
        column(u"UnicodeLocaleId", ColumnType::Int),
        column(u"UnicodeComparisonStyle", ColumnType::Int),
        column(u"CompatibilityLevel", ColumnType::TinyInt),
        column(u"SoftwareVendorId", ColumnType::Int),
        column(u"SoftwareVersionMajor", ColumnType::Int),
        column(u"SoftwareVersionMinor", ColumnType::Int),
        column(u"SoftwareVersionBuild", ColumnType::Int),
        column(u"MachineName", ColumnType::NVarChar, name),
        column(u"Flags", ColumnType::Int),
        column(u"BindingID", ColumnType::UniqueIdentifier),
        column(u"RecoveryForkID", ColumnType::UniqueIdentifier),
        column(u"Collation", ColumnType::NVarChar, name),
        column(u"FamilyGUID", ColumnType::UniqueIdentifier),
        column(u"HasBulkLoggedData", ColumnType::Bit),
        column(u"IsSnapshot", ColumnType::Bit),
        column(u"IsReadOnly", ColumnType::Bit),
        column(u"IsSingleUser", ColumnType::Bit),
        column(u"HasBackupChecksums", ColumnType::Bit),
        column(u"IsDamaged", ColumnType::Bit),
        column(u"BeginsLogChain", ColumnType::Bit),
        column(u"HasIncompleteMetaData", ColumnType::Bit),
        column(u"IsForceOffline", ColumnType::Bit),
        column(u"IsCopyOnly", ColumnType::Bit),
        column(u"FirstRecoveryForkID", ColumnType::UniqueIdentifier),
        column(u"ForkPointLSN", ColumnType::Numeric, kLsnPrecision, true),
        column(u"RecoveryModel", ColumnType::NVarChar, 60),
        column(u"DifferentialBaseLSN", ColumnType::Numeric, kLsnPrecision, true),
        column(u"DifferentialBaseGUID", ColumnType::UniqueIdentifier, 0, true),
        column(u"BackupTypeDescription", ColumnType::NVarChar, 60),
        column(u"BackupSetGUID", ColumnType::UniqueIdentifier, 0, true),
        column(u"CompressedBackupSize", ColumnType::BigInt),
    };
    if (release >= kFirstReleaseWithContainment) {
        rows.columns.push_back(column(u"Containment", ColumnType::TinyInt));
    }
    if (release >= kFirstReleaseWithEncryption) {
        rows.columns.push_back(column(u"KeyAlgorithm", ColumnType::NVarChar, 32, true));
        rows.columns.push_back(column(u"EncryptorThumbprint", ColumnType::VarBinary, 20, true));
        rows.columns.push_back(column(u"EncryptorType", ColumnType::NVarChar, 32, true));
    }
    return rows;
}

// Log sequence numbers as SQL Server forms them: the virtual log file, the block and the
// record; each set of the file follows the one before.
std::int64_t lsn(std::int64_t position, std::int64_t record) {
    constexpr std::int64_t kFirstVirtualLog = 37;
    return ((kFirstVirtualLog + position) * 10000000000 + 1600) * 100000 + record;
}

std::vector<Value> headerListRow(const BackupSet& set, std::int64_t position, std::size_t columns) {
    const backup_media::BackupOrigin& origin = set.origin;
    const std::int64_t bytes = backup_media::pagesOf(set) * backup_media::kPageBytes;
    const std::u16string guid = text::fromAscii(set.guid);
    const bool simple = set.recovery == Recovery::Simple;
    const std::u16string typeDescription =
        origin.backupType == backup_media::kLogBackup ? u"Transaction Log" : u"Database";
    std::vector<Value> row = {std::nullopt,
                              std::nullopt,
                              std::int64_t{origin.backupType},
                              std::nullopt,
                              std::int64_t{0},
                              position,
                              kDiskDevice,
                              origin.userName,
                              origin.serverName,
                              set.database,
                              std::int64_t{backup_media::databaseVersionOf(origin.majorVersion)},
                              std::nullopt,
                              bytes,
                              lsn(position, 1),
                              lsn(position, 1000),
                              lsn(position, 1),
                              std::int64_t{0},
                              dateOf(origin.started),
                              dateOf(origin.finished),
                              std::int64_t{0},
                              std::int64_t{0},
                              kUsEnglish,
                              kIgnoreCaseKanaWidth,
                              std::int64_t{origin.majorVersion * 10},
                              kMicrosoft,
                              std::int64_t{origin.majorVersion},
                              std::int64_t{0},
                              kVersionBuild,
                              origin.serverName,
                              std::int64_t{512},
                              guid,
                              guid,
                              kCollation,
                              guid,
                              std::int64_t{0},
                              std::int64_t{0},
                              std::int64_t{0},
                              std::int64_t{0},
                              std::int64_t{0},
                              std::int64_t{0},
                              std::int64_t{0},
                              std::int64_t{0},
                              std::int64_t{0},
                              std::int64_t{origin.copyOnly ? 1 : 0},
                              guid,
                              std::nullopt,
                              std::u16string(simple ? u"SIMPLE" : u"FULL"),
                              std::nullopt,
                              std::nullopt,
                              typeDescription,
                              std::nullopt,
                              bytes,
                              std::int64_t{0},
                              std::nullopt,
                              std::nullopt,
                              std::nullopt};
    row.resize(columns);
    return row;
}

}  // namespace

void fileList(const syntax::FileList& statement, const Context& context) {
    const State& state = context.state();
    const BackupSet set = readSet(state, pathOf(statement.path, context), statement.setNumber,
                                  messages::fileListAbnormal());
    RowSet result = fileListColumns(state.majorVersion());
    for (const DatabaseFile& file : set.files) {
        result.rows.push_back(fileListRow(set, file, state, result.columns.size()));
    }
    answer(std::move(result), context);
}

void headerList(const syntax::HeaderList& statement, const Context& context) {
    const State& state = context.state();
    const std::filesystem::path path = pathOf(statement.path, context);
    const Message abnormal = messages::headerListAbnormal();
    RowSet result = headerListColumns(state.majorVersion());
    if (statement.setNumber != 0) {
        const BackupSet set = readSet(state, path, statement.setNumber, abnormal);
        result.rows.push_back(headerListRow(set, statement.setNumber, result.columns.size()));
    } else {
        const std::vector<BackupSet> sets = readMedia(state, path, abnormal);
        for (std::size_t i = 0; i < sets.size(); ++i) {
            result.rows.push_back(
                headerListRow(sets[i], static_cast<std::int64_t>(i) + 1, result.columns.size()));
        }
    }
    answer(std::move(result), context);
}

}  // namespace devserver::statements

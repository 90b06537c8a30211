#include "BackupPreview.h"

#include <algorithm>

#include "HelperConnection.h"
#include "ServerPaths.h"
#include "common/OperatorTexts.h"

namespace {

constexpr int kLogBackup = 2;
constexpr int kDifferentialBackup = 5;
constexpr double kBytesPerMegabyte = 1024.0 * 1024.0;
constexpr qsizetype kFilesAForcedRestoreMoves = 2;

QString typeName(int backupType) {
    switch (backupType) {
        case kFullDatabaseBackup:
            return texts::kBackupTypeFull;
        case kDifferentialBackup:
            return texts::kBackupTypeDifferential;
        case kLogBackup:
            return texts::kBackupTypeLog;
        default:
            return texts::kBackupTypeOther.arg(backupType);
    }
}

QStringList details(const BackupContents& contents) {
    const BackupSetHeader& first = contents.sets.constFirst();
    QStringList lines{
        texts::kBackupDatabase.arg(first.databaseName),
        texts::kBackupType.arg(typeName(first.backupType)),
        texts::kBackupServer.arg(first.serverName),
        texts::kBackupStarted.arg(first.started),
        texts::kBackupFinished.arg(first.finished),
        texts::kBackupSize.arg(static_cast<double>(first.sizeBytes) / kBytesPerMegabyte, 0, 'f', 1),
        texts::kBackupRecovery.arg(first.recoveryModel),
        texts::kBackupSetCount.arg(contents.sets.size()),
        texts::kBackupFiles,
    };
    for (const BackupMember& file : contents.files) {
        lines << texts::kBackupFileLine.arg(file.logicalName, file.physicalName);
    }
    return lines;
}

QStringList warnings(const BackupContents& contents, const BackupCheck& check,
                     int serverMajorVersion) {
    const BackupSetHeader& first = contents.sets.constFirst();
    QStringList lines;
    // The server compares database names without regard to case.
    if (first.databaseName.compare(check.databaseName, Qt::CaseInsensitive) != 0) {
        lines << texts::kWarnOtherDatabase.arg(first.databaseName, check.databaseName);
    }
    if (first.backupType != kFullDatabaseBackup) {
        lines << texts::kWarnNotFull;
    }
    if (serverMajorVersion > 0 && first.softwareMajorVersion > serverMajorVersion) {
        lines << texts::kWarnNewerVersion.arg(first.softwareMajorVersion).arg(serverMajorVersion);
    }
    if (check.use == BackupUse::ForcedRestore &&
        contents.files.size() != kFilesAForcedRestoreMoves) {
        lines << texts::kWarnForcedRestoreFiles.arg(contents.files.size());
    }
    return lines;
}

bool listedIn(const std::vector<ServerEntry>& entries, const QString& name, const HostFacts& host) {
    const Qt::CaseSensitivity hostCase = host.windows ? Qt::CaseInsensitive : Qt::CaseSensitive;
    return std::any_of(entries.begin(), entries.end(), [&](const ServerEntry& entry) {
        return entry.kind == ServerEntry::Kind::File && entry.name.compare(name, hostCase) == 0;
    });
}

QString setsHeld(HelperConnection& helper, const QString& backupPath) {
    try {
        QStringList lines;
        for (const BackupSetHeader& set :
             helper.run([&](Connection& conn) { return readBackupSets(conn, backupPath); })) {
            lines << texts::kOverwriteSetLine.arg(set.databaseName, set.finished);
        }
        return lines.join(u'\n');
    } catch (const Error& error) {
        return texts::kOverwriteNoSets.arg(error.description());
    }
}

}  // namespace

BackupPreview describeBackup(const BackupContents& contents, const BackupCheck& check,
                             int serverMajorVersion) {
    if (contents.sets.isEmpty()) {
        return {};
    }
    return {details(contents), warnings(contents, check, serverMajorVersion)};
}

BackupPreview previewBackup(HelperConnection& helper, const QString& backupPath,
                            const BackupCheck& check, int serverMajorVersion) {
    try {
        return describeBackup(
            helper.run([&](Connection& conn) { return readBackupContents(conn, backupPath); }),
            check, serverMajorVersion);
    } catch (const Error& error) {
        return {{texts::kBackupPreviewUnreadable.arg(error.description())}, {}};
    }
}

std::optional<QString> overwriteQuestion(HelperConnection& helper,
                                         const std::optional<HostFacts>& host,
                                         const QString& backupPath) {
    if (!host) {
        return std::nullopt;
    }
    try {
        const std::vector<ServerEntry> entries = helper.run([&](Connection& conn) {
            return server_files::readFolder(conn, *host, server_paths::folderOf(backupPath));
        });
        if (!listedIn(entries, server_paths::title(backupPath), *host)) {
            return std::nullopt;
        }
    } catch (const Error&) {
        return std::nullopt;
    }
    return texts::kOverwriteQuestion.arg(backupPath, setsHeld(helper, backupPath));
}

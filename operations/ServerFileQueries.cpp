#include "ServerFileQueries.h"

#include <QStringList>

#include "SqlValues.h"

namespace {

const QString kSelect = QStringLiteral("SELECT ");
const QString kFrom = QStringLiteral(" FROM ");
const QString kColumnSeparator = QStringLiteral(", ");
const QString kArgumentSeparator = QStringLiteral(", ");

// SERVERPROPERTY answers sql_variant, which not every driver reads: each goes as text.
const QString kAsText = QStringLiteral("CONVERT(nvarchar(%1), SERVERPROPERTY(");
const QString kAsTextEnd = QStringLiteral(")) AS ");
constexpr int kVersionLength = 128;
constexpr int kSeparatorLength = 1;
constexpr int kFolderLength = 260;

const QString kHostInfo = QStringLiteral("sys.dm_os_host_info");
const QString kHostPlatform = QStringLiteral("host_platform");

const QString kFixedDrives = QStringLiteral("sys.dm_os_enumerate_fixed_drives");
const QString kFixedDriveColumns =
    QStringLiteral("fixed_drive_path, free_space_in_bytes / 1048576 AS free_megabytes");
const QString kFixedDrivesProcedure = QStringLiteral("EXEC master.sys.xp_fixeddrives");

const QString kEnumerateFilesystem = QStringLiteral("sys.dm_os_enumerate_filesystem(");
const QString kEnumerateFilesystemEnd = QStringLiteral(")");
const QString kEntryColumns = QStringLiteral(
    "file_or_directory_name, is_directory, size_in_bytes, "
    "CONVERT(nvarchar(16), last_write_time, 120) AS last_write_time");
const QString kEveryName = QStringLiteral("*");
// The function walks the whole tree below the folder; the server stops at the folder's own
// entries only when asked for level 0.
const QString kOwnEntriesOnly = QStringLiteral(" WHERE level = 0");

const QString kHeaderFromDisk = QStringLiteral("RESTORE HEADERONLY FROM DISK = ");

const QString kDirTree = QStringLiteral("EXEC master.sys.xp_dirtree ");
const QString kDirTreeOwnEntriesWithFiles = QStringLiteral(", 1, 1");

QString propertyAsText(const QString& property, int length, const QString& alias) {
    return kAsText.arg(length) + literal(property) + kAsTextEnd + alias;
}

}  // namespace

QString hostPropertiesQuery() {
    const QStringList columns{
        propertyAsText(QStringLiteral("ProductVersion"), kVersionLength,
                       QStringLiteral("product_version")),
        propertyAsText(QStringLiteral("PathSeparator"), kSeparatorLength,
                       QStringLiteral("path_separator")),
        propertyAsText(QStringLiteral("InstanceDefaultDataPath"), kFolderLength,
                       QStringLiteral("data_folder")),
        propertyAsText(QStringLiteral("InstanceDefaultLogPath"), kFolderLength,
                       QStringLiteral("log_folder")),
        propertyAsText(QStringLiteral("InstanceDefaultBackupPath"), kFolderLength,
                       QStringLiteral("backup_folder")),
    };
    return kSelect + columns.join(kColumnSeparator);
}

QString hostPlatformQuery() {
    return kSelect + kHostPlatform + kFrom + kHostInfo;
}

QString fixedDrivesQuery() {
    return kSelect + kFixedDriveColumns + kFrom + kFixedDrives;
}

QString fixedDrivesProcedure() {
    return kFixedDrivesProcedure;
}

QString folderEntriesQuery(const QString& folder) {
    return kSelect + kEntryColumns + kFrom + kEnumerateFilesystem + literal(folder) +
           kArgumentSeparator + literal(kEveryName) + kEnumerateFilesystemEnd + kOwnEntriesOnly;
}

QString folderTreeProcedure(const QString& folder) {
    return kDirTree + literal(folder) + kDirTreeOwnEntriesWithFiles;
}

QString backupHeaderQuery(const QString& backupPath) {
    return kHeaderFromDisk + nationalLiteral(backupPath);
}

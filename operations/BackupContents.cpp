#include "BackupContents.h"

#include "ServerFileQueries.h"
#include "Statements.h"
#include "session/Connection.h"

namespace {

QString field(const ResultSet& rows, qsizetype row, const char* column) {
    return rows.field(row, QString::fromLatin1(column));
}

// The server sends datetime to the millisecond; the operator reads seconds.
QString toSeconds(const QString& time) {
    constexpr qsizetype kThroughSeconds = 19;  // yyyy-mm-dd hh:mm:ss
    return time.left(kThroughSeconds);
}

}  // namespace

QList<BackupSetHeader> readBackupSets(Connection& conn, const QString& backupPath) {
    const ResultSet rows = conn.query(backupHeaderQuery(backupPath));
    QList<BackupSetHeader> sets;
    for (qsizetype row = 0; row < rows.rowCount(); ++row) {
        BackupSetHeader set;
        set.databaseName = field(rows, row, "DatabaseName");
        set.backupType = field(rows, row, "BackupType").toInt();
        set.serverName = field(rows, row, "ServerName");
        set.started = toSeconds(field(rows, row, "BackupStartDate"));
        set.finished = toSeconds(field(rows, row, "BackupFinishDate"));
        set.sizeBytes = field(rows, row, "BackupSize").toLongLong();
        set.recoveryModel = field(rows, row, "RecoveryModel");
        set.softwareMajorVersion = field(rows, row, "SoftwareVersionMajor").toInt();
        sets.append(set);
    }
    return sets;
}

BackupContents readBackupContents(Connection& conn, const QString& backupPath) {
    BackupContents contents;
    contents.sets = readBackupSets(conn, backupPath);
    const ResultSet files = conn.query(backupFileListQuery(backupPath));
    for (qsizetype row = 0; row < files.rowCount(); ++row) {
        contents.files.append(
            {field(files, row, "LogicalName"), field(files, row, "PhysicalName")});
    }
    return contents;
}

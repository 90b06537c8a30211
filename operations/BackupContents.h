#pragma once

#include <QList>
#include <QString>

class Connection;

// One backup set of a file, as RESTORE HEADERONLY describes it; texts as the server gives
// them.
struct BackupSetHeader {
    QString databaseName;
    int backupType = 0;  // SQL Server's BackupType: 1 database, 2 log, 5 differential, ...
    QString serverName;
    QString started;
    QString finished;
    qint64 sizeBytes = 0;
    QString recoveryModel;
    int softwareMajorVersion = 0;  // 16 for SQL Server 2022
};

// A file of the first backup set, as RESTORE FILELISTONLY lists it.
struct BackupMember {
    QString logicalName;
    QString physicalName;
};

struct BackupContents {
    QList<BackupSetHeader> sets;  // in the file's order; a restore takes the first
    QList<BackupMember> files;
};

inline constexpr int kFullDatabaseBackup = 1;

// Raise DatabaseError with the server's own text when the file cannot be read.
QList<BackupSetHeader> readBackupSets(Connection& conn, const QString& backupPath);
BackupContents readBackupContents(Connection& conn, const QString& backupPath);

#pragma once

#include <QString>

// Every text the maintenance operations send. Each is composed from fixed fragments and
// values; every value passes through literal() or identifier() (SqlValues.h).

// The user databases in database-id order: every refill of the list sends it unchanged.
const QString& catalogueQuery();

// Ends every session attached to the database: eleven lines, CR LF between them.
QString sessionEvictionBatch(const QString& databaseName);

// Attach.
QString existenceQuery(const QString& databaseName);
QString attachStatement(const QString& databaseName, const QString& dataFile,
                        const QString& logFile);

// Detach.
QString detachStatement(const QString& databaseName);

// Clean up, in the order they are sent.
QString recoverySimpleNoWaitStatement(const QString& databaseName);
QString recoverySimpleStatement(const QString& databaseName);
QString shrinkStatement(const QString& databaseName);
QString recoveryFullNoWaitStatement(const QString& databaseName);
QString recoveryFullStatement(const QString& databaseName);

// Drop.
QString dropStatement(const QString& databaseName);

// Taking a database that other sessions still hold: who holds it (read over the helper
// connection), and the operation's statement preceded by ending them in the same batch.
QString sessionsUsingQuery(const QString& databaseName);
QString forcedStatement(const QString& databaseName, const QString& statement);
QString multiUserStatement(const QString& databaseName);
// What a cancel left of a database: state_desc, recovery_model_desc. Helper connection only.
QString databaseStateQuery(const QString& databaseName);

// Back up and restore.
QString backupStatement(const QString& databaseName, const QString& backupPath);
QString restoreStatement(const QString& databaseName, const QString& backupPath);

// Forced restore.
struct FileMove {
    QString backupLogicalName;
    QString targetPhysicalName;
};
QString targetFileQuery(const QString& databaseName);
QString backupFileListQuery(const QString& backupPath);
QString forcedRestoreStatement(const QString& databaseName, const QString& backupPath,
                               const FileMove& first, const FileMove& second);
QString renameLogicalFileStatement(const QString& databaseName, const QString& logicalName,
                                   const QString& newLogicalName);

// The logical names a forced restore gives the database's two files.
QString dataLogicalName(const QString& databaseName);
QString logLogicalName(const QString& databaseName);

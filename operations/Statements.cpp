#include "Statements.h"

#include <QStringList>

#include "SqlValues.h"

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

// The list of user databases. The system databases and the two sample databases are never
// offered for maintenance; database-id order puts every new database at the end. Catalogue
// names stand in the case the catalogue stores them: under a case-sensitive or binary
// collation any other spelling is an invalid object or column name.
const QString kCatalogueQuery = QStringLiteral(
    "SELECT name FROM sysdatabases WHERE name NOT IN "
    "('master','tempdb','model','msdb','pubs','Northwind') ORDER BY dbid");

// Session eviction. The database name fills the db_id() call of the cursor line.
const QString kEvictDeclareSpid = QStringLiteral("declare @spid nvarchar(20) ");
const QString kEvictDeclareCursor = QStringLiteral("declare cur_lock cursor ");
const QString kEvictCursorQuery =
    QStringLiteral("for select distinct spid from sysprocesses where dbid = db_id(");
const QString kEvictCursorQueryEnd = QStringLiteral(") ");
const QStringList kEvictLoop = {
    QStringLiteral("open cur_lock "),
    QStringLiteral("fetch cur_lock into @spid "),
    QStringLiteral("while @@fetch_status=0 "),
    QStringLiteral(" begin"),
    QStringLiteral(" exec( 'kill '+@spid) "),
    QStringLiteral("fetch Next From cur_lock into @spid "),
    QStringLiteral("end "),
    QStringLiteral("close cur_lock "),
    QStringLiteral("deallocate cur_lock "),
};

// Attach.
const QString kExistenceQuery = QStringLiteral("SELECT TOP 1 dbid FROM sysdatabases WHERE name=");
const QString kAttach = QStringLiteral("EXEC sp_attach_db ");
const QString kArgumentSeparator = QStringLiteral(",");

// Detach.
const QString kDetach = QStringLiteral("EXEC sp_detach_db ");

// Clean up.
const QString kAlterDatabase = QStringLiteral("ALTER DATABASE ");
const QString kRecoverySimpleNoWait = QStringLiteral(" SET RECOVERY SIMPLE WITH NO_WAIT ");
const QString kRecoverySimple = QStringLiteral(" SET RECOVERY SIMPLE ");
const QString kShrink = QStringLiteral("DBCC SHRINKDATABASE(");
const QString kShrinkEnd = QStringLiteral(") ");
const QString kRecoveryFullNoWait = QStringLiteral(" SET RECOVERY FULL WITH NO_WAIT ");
const QString kRecoveryFull = QStringLiteral(" SET RECOVERY FULL ");

// Drop.
const QString kDrop = QStringLiteral("DROP DATABASE ");

// Taking a database from the sessions that hold it. ROLLBACK IMMEDIATE ends them without
// KILL's permission; the database stays the tool's for the statement in the same batch.
const QString kSessionsUsing = QStringLiteral(
    "SELECT host_name, program_name, login_name FROM sys.dm_exec_sessions "
    "WHERE database_id = DB_ID(");
const QString kSessionsUsingEnd = QStringLiteral(") ORDER BY session_id");
const QString kSingleUserRollback = QStringLiteral(" SET SINGLE_USER WITH ROLLBACK IMMEDIATE");
const QString kMultiUser = QStringLiteral(" SET MULTI_USER");

// Back up.
const QString kDatabaseState =
    QStringLiteral("SELECT state_desc, recovery_model_desc FROM sys.databases WHERE name = ");
const QString kBackup = QStringLiteral("Backup Database ");
const QString kBackupToDisk = QStringLiteral(" To disk=");
const QString kBackupWithFormat = QStringLiteral(" WITH FORMAT ");

// Restore; the forced restore appends its options to the plain statement.
const QString kRestore = QStringLiteral("Restore Database ");
const QString kRestoreFromDisk = QStringLiteral(" From disk=");
const QString kRestoreEnd = QStringLiteral(" ");
const QString kWithReplace = QStringLiteral("WITH REPLACE, ");
const QString kMove = QStringLiteral("MOVE ");
const QString kMoveTo = QStringLiteral(" TO ");
const QString kMoveSeparator = QStringLiteral(", ");

// Forced restore: reading both sides, and naming the files after the database.
const QString kTargetFiles = QStringLiteral("SELECT TOP 2 fileid,name,filename FROM ");
const QString kTargetFilesEnd = QStringLiteral(".dbo.sysfiles ORDER BY fileid ASC ");
// The path always goes as N'...' here, whatever it holds: nationalLiteral() supplies the N.
const QString kFileListFromDisk = QStringLiteral("RESTORE FILELISTONLY FROM DISK = ");
const QString kRenameAlterDatabase = QStringLiteral("alter database ");
const QString kRenameModifyFile = QStringLiteral(" modify file(name=");
const QString kRenameNewName = QStringLiteral(", newname=");
const QString kRenameEnd = QStringLiteral(")");
const QString kDataSuffix = QStringLiteral("_Data");
const QString kLogSuffix = QStringLiteral("_Log");

QString moveClause(const FileMove& move) {
    return kMove + literal(move.backupLogicalName) + kMoveTo + literal(move.targetPhysicalName);
}

}  // namespace

const QString& catalogueQuery() {
    return kCatalogueQuery;
}

QString sessionEvictionBatch(const QString& databaseName) {
    QStringList lines{kEvictDeclareSpid, kEvictDeclareCursor + kEvictCursorQuery +
                                             literal(databaseName) + kEvictCursorQueryEnd};
    lines << kEvictLoop;
    return lines.join(kLineBreak);
}

QString existenceQuery(const QString& databaseName) {
    return kExistenceQuery + literal(databaseName);
}

QString attachStatement(const QString& databaseName, const QString& dataFile,
                        const QString& logFile) {
    return kAttach + literal(databaseName) + kArgumentSeparator + literal(dataFile) +
           kArgumentSeparator + literal(logFile);
}

QString detachStatement(const QString& databaseName) {
    return kDetach + literal(databaseName);
}

QString recoverySimpleNoWaitStatement(const QString& databaseName) {
    return kAlterDatabase + identifier(databaseName) + kRecoverySimpleNoWait;
}

QString recoverySimpleStatement(const QString& databaseName) {
    return kAlterDatabase + identifier(databaseName) + kRecoverySimple;
}

QString shrinkStatement(const QString& databaseName) {
    return kShrink + identifier(databaseName) + kShrinkEnd;
}

QString recoveryFullNoWaitStatement(const QString& databaseName) {
    return kAlterDatabase + identifier(databaseName) + kRecoveryFullNoWait;
}

QString recoveryFullStatement(const QString& databaseName) {
    return kAlterDatabase + identifier(databaseName) + kRecoveryFull;
}

QString dropStatement(const QString& databaseName) {
    return kDrop + identifier(databaseName);
}

QString sessionsUsingQuery(const QString& databaseName) {
    return kSessionsUsing + literal(databaseName) + kSessionsUsingEnd;
}

QString forcedStatement(const QString& databaseName, const QString& statement) {
    return kAlterDatabase + identifier(databaseName) + kSingleUserRollback + kLineBreak + statement;
}

QString multiUserStatement(const QString& databaseName) {
    return kAlterDatabase + identifier(databaseName) + kMultiUser;
}

QString databaseStateQuery(const QString& databaseName) {
    return kDatabaseState + literal(databaseName);
}

QString backupStatement(const QString& databaseName, const QString& backupPath) {
    return kBackup + identifier(databaseName) + kBackupToDisk + literal(backupPath) +
           kBackupWithFormat;
}

QString restoreStatement(const QString& databaseName, const QString& backupPath) {
    return kRestore + identifier(databaseName) + kRestoreFromDisk + literal(backupPath) +
           kRestoreEnd;
}

QString targetFileQuery(const QString& databaseName) {
    return kTargetFiles + identifier(databaseName) + kTargetFilesEnd;
}

QString backupFileListQuery(const QString& backupPath) {
    return kFileListFromDisk + nationalLiteral(backupPath);
}

QString forcedRestoreStatement(const QString& databaseName, const QString& backupPath,
                               const FileMove& first, const FileMove& second) {
    return restoreStatement(databaseName, backupPath) + kWithReplace + moveClause(first) +
           kMoveSeparator + moveClause(second);
}

QString renameLogicalFileStatement(const QString& databaseName, const QString& logicalName,
                                   const QString& newLogicalName) {
    return kRenameAlterDatabase + identifier(databaseName) + kRenameModifyFile +
           identifier(logicalName) + kRenameNewName + identifier(newLogicalName) + kRenameEnd;
}

QString dataLogicalName(const QString& databaseName) {
    return databaseName + kDataSuffix;
}

QString logLogicalName(const QString& databaseName) {
    return databaseName + kLogSuffix;
}

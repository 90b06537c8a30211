#include "Confirmation.h"
#include "FileDialog.h"
#include "ForcedRestoreFiles.h"
#include "Handlers.h"
#include "KillSessions.h"
#include "OperationHost.h"
#include "SelectionCheck.h"
#include "Statements.h"
#include "session/Connection.h"
#include "session/DbList.h"
#include "session/Error.h"

namespace {

// The statement moves exactly two files; anything else could only fail at the server after
// every session had been ended, so it is refused before anything is touched.
constexpr qsizetype kFilesMoved = 2;

void requireTwoTargetFiles(const QList<DatabaseFile>& files) {
    if (files.size() != kFilesMoved) {
        throw Error(QStringLiteral("目标数据库有 %1 个文件，强制恢复需要 2 个，未做任何更改")
                        .arg(files.size()));
    }
}

void requireTwoBackupFiles(const QStringList& logicalNames) {
    if (logicalNames.size() != kFilesMoved) {
        throw Error(QStringLiteral("备份文件中有 %1 个文件，强制恢复需要 2 个，未做任何更改")
                        .arg(logicalNames.size()));
    }
}

// The server refuses a rename to the file's current name, so a file already named after the
// database is left alone.
void renameUnlessNamed(Connection& conn, const QString& databaseName, const DatabaseFile& file,
                       const QString& newLogicalName) {
    if (!isSameLogicalName(file.logicalName, newLogicalName)) {
        conn.execute(renameLogicalFileStatement(databaseName, file.logicalName, newLogicalName));
    }
}

}  // namespace

void forceRestoreDatabase(OperationHost& host) {
    const std::optional<QString> databaseName = selectedDatabase(host);
    if (!databaseName) {
        return;
    }
    if (!confirmTyped(host, QStringLiteral("强制还原数据库，请输入：甲乙丙丁戊己庚辛壬癸"),
                      QStringLiteral("强制还原数据库验证"))) {
        return;
    }
    const ChosenFile backupFile = host.chooseFile(kBackupFileFilter, FileDialogMode::Open);
    Connection& conn = host.connection();

    // Both sides are read and checked before anything on the server changes.
    QList<DatabaseFile> targetFiles = readTargetFiles(conn, *databaseName);
    requireTwoTargetFiles(targetFiles);
    const QStringList backupNames = readBackupLogicalNames(conn, backupFile.fullPath);
    requireTwoBackupFiles(backupNames);

    KillSessions(conn, *databaseName);
    conn.execute(forcedRestoreStatement(*databaseName, backupFile.fullPath,
                                        {backupNames[0], targetFiles[0].physicalName},
                                        {backupNames[1], targetFiles[1].physicalName}));

    // The restored database carries the backup's logical names; a read that does not give
    // two files leaves the names read before the restore.
    if (QList<DatabaseFile> restoredFiles = readTargetFiles(conn, *databaseName);
        restoredFiles.size() == kFilesMoved) {
        targetFiles = std::move(restoredFiles);
    }
    renameUnlessNamed(conn, *databaseName, targetFiles[0], dataLogicalName(*databaseName));
    renameUnlessNamed(conn, *databaseName, targetFiles[1], logLogicalName(*databaseName));

    host.showStatus(QStringLiteral("恢复数据库成功"));
    LoadDbList(conn, host.databaseList());
}

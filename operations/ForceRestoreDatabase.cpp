#include "Confirmation.h"
#include "DbList.h"
#include "ForcedRestoreFiles.h"
#include "Handlers.h"
#include "OperationHost.h"
#include "SelectionCheck.h"
#include "Statements.h"
#include "TakeDatabase.h"
#include "common/Error.h"
#include "common/OperatorTexts.h"
#include "session/Connection.h"

namespace {

// The statement moves exactly two files; anything else could only fail at the server after
// every session had been ended, so it is refused before anything is touched.
constexpr qsizetype kFilesMoved = 2;

void requireTwoTargetFiles(const QList<DatabaseFile>& files) {
    if (files.size() != kFilesMoved) {
        throw Error(texts::kForcedRestoreTargetFiles.arg(files.size()));
    }
}

void requireTwoBackupFiles(const QStringList& logicalNames) {
    if (logicalNames.size() != kFilesMoved) {
        throw Error(texts::kForcedRestoreBackupFiles.arg(logicalNames.size()));
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
    if (!confirmTyped(host, texts::kForcedRestorePrompt, texts::kForcedRestoreTitle)) {
        return;
    }
    const ChosenFile backupFile = host.chooseBackupFile(
        texts::kBackupFileFilter, FileDialogMode::Open, {BackupUse::ForcedRestore, *databaseName});
    Connection& conn = host.connection();

    // Both sides are read and checked before anything on the server changes.
    QList<DatabaseFile> targetFiles = readTargetFiles(conn, *databaseName);
    requireTwoTargetFiles(targetFiles);
    const QStringList backupNames = readBackupLogicalNames(conn, backupFile.fullPath);
    requireTwoBackupFiles(backupNames);

    runOnDatabaseAlone(host, *databaseName,
                       forcedRestoreStatement(*databaseName, backupFile.fullPath,
                                              {backupNames[0], targetFiles[0].physicalName},
                                              {backupNames[1], targetFiles[1].physicalName}),
                       CallPurpose::restore(*databaseName));

    // The restored database carries the backup's logical names; a read that does not give
    // two files leaves the names read before the restore.
    if (QList<DatabaseFile> restoredFiles = readTargetFiles(conn, *databaseName);
        restoredFiles.size() == kFilesMoved) {
        targetFiles = std::move(restoredFiles);
    }
    renameUnlessNamed(conn, *databaseName, targetFiles[0], dataLogicalName(*databaseName));
    renameUnlessNamed(conn, *databaseName, targetFiles[1], logLogicalName(*databaseName));

    host.showStatus(texts::kRestored);
    LoadDbList(conn, host.databaseList());
}

#include "Confirmation.h"
#include "DbList.h"
#include "Handlers.h"
#include "OperationHost.h"
#include "SelectionCheck.h"
#include "Statements.h"
#include "TakeDatabase.h"
#include "common/OperatorTexts.h"
#include "session/Connection.h"

void restoreDatabase(OperationHost& host) {
    const std::optional<QString> databaseName = selectedDatabase(host);
    if (!databaseName) {
        return;
    }
    if (!confirmTyped(host, texts::kRestorePrompt, texts::kRestoreTitle)) {
        return;
    }
    const ChosenFile backupFile = host.chooseBackupFile(
        texts::kBackupFileFilter, FileDialogMode::Open, {BackupUse::Restore, *databaseName});
    // Sessions are ended only once a file is chosen, so a cancelled dialog harms nobody.
    runOnDatabaseAlone(host, *databaseName, restoreStatement(*databaseName, backupFile.fullPath),
                       CallPurpose::restore(*databaseName));
    host.showStatus(texts::kRestored);
    LoadDbList(host.connection(), host.databaseList());
}

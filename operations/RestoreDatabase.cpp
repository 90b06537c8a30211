#include "Confirmation.h"
#include "DbList.h"
#include "Handlers.h"
#include "KillSessions.h"
#include "OperationHost.h"
#include "SelectionCheck.h"
#include "Statements.h"
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
    Connection& conn = host.connection();
    KillSessions(conn, *databaseName);
    {
        const CallPurposeScope purpose(host, CallPurpose::restore(*databaseName));
        conn.execute(restoreStatement(*databaseName, backupFile.fullPath));
    }
    host.showStatus(texts::kRestored);
    LoadDbList(conn, host.databaseList());
}

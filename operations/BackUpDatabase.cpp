#include "DbList.h"
#include "Handlers.h"
#include "OperationHost.h"
#include "SelectionCheck.h"
#include "Statements.h"
#include "common/OperatorTexts.h"
#include "session/Connection.h"

void backUpDatabase(OperationHost& host) {
    const std::optional<QString> databaseName = selectedDatabase(host);
    if (!databaseName) {
        return;
    }
    const ChosenFile backupFile = host.chooseBackupFile(
        texts::kBackupFileFilter, FileDialogMode::Save, {BackupUse::BackUp, *databaseName});
    // The backup runs beside the database's other sessions: none is ended.
    Connection& conn = host.connection();
    {
        const CallPurposeScope purpose(host,
                                       CallPurpose::backUp(*databaseName, backupFile.fullPath));
        conn.execute(backupStatement(*databaseName, backupFile.fullPath));
    }
    host.showStatus(texts::kBackedUp);
    LoadDbList(conn, host.databaseList());
}

#include "FileDialog.h"
#include "Handlers.h"
#include "OperationHost.h"
#include "SelectionCheck.h"
#include "Statements.h"
#include "session/Connection.h"
#include "session/DbList.h"

void backUpDatabase(OperationHost& host) {
    const std::optional<QString> databaseName = selectedDatabase(host);
    if (!databaseName) {
        return;
    }
    const ChosenFile backupFile = host.chooseFile(kBackupFileFilter, FileDialogMode::Save);
    // The backup runs beside the database's other sessions: none is ended.
    Connection& conn = host.connection();
    conn.execute(backupStatement(*databaseName, backupFile.fullPath));
    host.showStatus(QStringLiteral("备份数据库成功"));
    LoadDbList(conn, host.databaseList());
}

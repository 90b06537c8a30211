#include "Confirmation.h"
#include "FileDialog.h"
#include "Handlers.h"
#include "KillSessions.h"
#include "OperationHost.h"
#include "SelectionCheck.h"
#include "Statements.h"
#include "session/Connection.h"
#include "session/DbList.h"

void restoreDatabase(OperationHost& host) {
    const std::optional<QString> databaseName = selectedDatabase(host);
    if (!databaseName) {
        return;
    }
    if (!confirmTyped(host, QStringLiteral("还原数据库，请输入：甲乙丙丁戊己庚辛壬癸"),
                      QStringLiteral("还原数据库验证"))) {
        return;
    }
    const ChosenFile backupFile = host.chooseFile(kBackupFileFilter, FileDialogMode::Open);
    // Sessions are ended only once a file is chosen, so a cancelled dialog harms nobody.
    Connection& conn = host.connection();
    KillSessions(conn, *databaseName);
    conn.execute(restoreStatement(*databaseName, backupFile.fullPath));
    host.showStatus(QStringLiteral("恢复数据库成功"));
    LoadDbList(conn, host.databaseList());
}

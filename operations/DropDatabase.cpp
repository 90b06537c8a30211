#include "Confirmation.h"
#include "Handlers.h"
#include "KillSessions.h"
#include "OperationHost.h"
#include "SelectionCheck.h"
#include "Statements.h"
#include "session/Connection.h"
#include "session/DbList.h"

void dropDatabase(OperationHost& host) {
    const std::optional<QString> databaseName = selectedDatabase(host);
    if (!databaseName) {
        return;
    }
    Connection& conn = host.connection();
    if (confirmTyped(host, QStringLiteral("删除数据库，请输入：甲乙丙丁戊己庚辛壬癸"),
                     QStringLiteral("删除数据库验证"))) {
        KillSessions(conn, *databaseName);
        conn.execute(dropStatement(*databaseName));
        host.showStatus(QStringLiteral("删除数据库成功"));
    }
    // Refilled whether or not the phrase matched.
    LoadDbList(conn, host.databaseList());
}

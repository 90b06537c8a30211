#include "Handlers.h"
#include "KillSessions.h"
#include "OperationHost.h"
#include "SelectionCheck.h"
#include "Statements.h"
#include "session/Connection.h"
#include "session/DbList.h"

void detachDatabase(OperationHost& host) {
    const std::optional<QString> databaseName = selectedDatabase(host);
    if (!databaseName) {
        return;
    }
    Connection& conn = host.connection();
    KillSessions(conn, *databaseName);
    conn.execute(detachStatement(*databaseName));
    host.showStatus(QStringLiteral("数据库分离成功"));
    LoadDbList(conn, host.databaseList());
}

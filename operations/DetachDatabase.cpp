#include "DbList.h"
#include "Handlers.h"
#include "KillSessions.h"
#include "OperationHost.h"
#include "SelectionCheck.h"
#include "Statements.h"
#include "common/OperatorTexts.h"
#include "session/Connection.h"

void detachDatabase(OperationHost& host) {
    const std::optional<QString> databaseName = selectedDatabase(host);
    if (!databaseName) {
        return;
    }
    Connection& conn = host.connection();
    KillSessions(conn, *databaseName);
    conn.execute(detachStatement(*databaseName));
    host.showStatus(texts::kDetached);
    LoadDbList(conn, host.databaseList());
}

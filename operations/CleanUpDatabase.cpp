#include "DbList.h"
#include "Handlers.h"
#include "KillSessions.h"
#include "OperationHost.h"
#include "SelectionCheck.h"
#include "Statements.h"
#include "common/OperatorTexts.h"
#include "session/Connection.h"

void cleanUpDatabase(OperationHost& host) {
    const std::optional<QString> databaseName = selectedDatabase(host);
    if (!databaseName) {
        return;
    }
    Connection& conn = host.connection();
    KillSessions(conn, *databaseName);
    {
        const CallPurposeScope purpose(host, CallPurpose::cleanUp(*databaseName));
        // Each statement is its own batch and runs only after the one before has succeeded;
        // a failure leaves the database as far as the server got.
        conn.execute(recoverySimpleNoWaitStatement(*databaseName));
        conn.execute(recoverySimpleStatement(*databaseName));
        conn.execute(shrinkStatement(*databaseName));
        conn.execute(recoveryFullNoWaitStatement(*databaseName));
        conn.execute(recoveryFullStatement(*databaseName));
    }
    host.showStatus(texts::kCleanedUp);
    LoadDbList(conn, host.databaseList());
}

#include "DbList.h"
#include "Handlers.h"
#include "OperationHost.h"
#include "SelectionCheck.h"
#include "Statements.h"
#include "TakeDatabase.h"
#include "common/OperatorTexts.h"
#include "session/Connection.h"

void detachDatabase(OperationHost& host) {
    const std::optional<QString> databaseName = selectedDatabase(host);
    if (!databaseName) {
        return;
    }
    runOnDatabaseAlone(host, *databaseName, detachStatement(*databaseName));
    host.showStatus(texts::kDetached);
    LoadDbList(host.connection(), host.databaseList());
}

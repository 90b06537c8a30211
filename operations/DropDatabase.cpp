#include "Confirmation.h"
#include "DbList.h"
#include "Handlers.h"
#include "OperationHost.h"
#include "SelectionCheck.h"
#include "Statements.h"
#include "TakeDatabase.h"
#include "common/OperatorTexts.h"
#include "session/Connection.h"

void dropDatabase(OperationHost& host) {
    const std::optional<QString> databaseName = selectedDatabase(host);
    if (!databaseName) {
        return;
    }
    Connection& conn = host.connection();
    if (confirmTyped(host, texts::kDropPrompt, texts::kDropTitle)) {
        runOnDatabaseAlone(host, *databaseName, dropStatement(*databaseName));
        host.showStatus(texts::kDropped);
    }
    // Refilled whether or not the phrase matched.
    LoadDbList(conn, host.databaseList());
}

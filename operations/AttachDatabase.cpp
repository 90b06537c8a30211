#include "DbList.h"
#include "Handlers.h"
#include "OperationHost.h"
#include "Statements.h"
#include "common/OperatorTexts.h"
#include "session/Connection.h"

namespace {

// The first box that is still empty, by its request to the operator; a text of blanks is
// not empty.
QString missingInput(const OperationHost& host) {
    if (host.dataFileText().isEmpty()) {
        return texts::kSelectDataFile;
    }
    if (host.logFileText().isEmpty()) {
        return texts::kSelectLogFile;
    }
    if (host.databaseNameText().isEmpty()) {
        return texts::kEnterDatabaseName;
    }
    return {};
}

}  // namespace

void attachDatabase(OperationHost& host) {
    if (const QString request = missingInput(host); !request.isEmpty()) {
        host.showStatus(request);
        return;
    }
    const QString databaseName = host.databaseNameText();
    Connection& conn = host.connection();

    // The server decides, in its own comparison of names, whether the name is taken.
    if (conn.query(existenceQuery(databaseName)).rowCount() > 0) {
        host.showStatus(texts::kDatabaseExists);
        return;
    }
    conn.execute(attachStatement(databaseName, host.dataFileText(), host.logFileText()));
    host.showStatus(texts::kAttached);

    host.setDatabaseNameText(QString());
    host.setDataFileText(QString());
    host.setLogFileText(QString());
    LoadDbList(conn, host.databaseList());
}

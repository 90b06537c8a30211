#include "Handlers.h"
#include "OperationHost.h"
#include "Statements.h"
#include "session/Connection.h"
#include "session/DbList.h"

namespace {

// The first box that is still empty, by its request to the operator; a text of blanks is
// not empty.
QString missingInput(const OperationHost& host) {
    if (host.dataFileText().isEmpty()) {
        return QStringLiteral("请选择数据库文件");
    }
    if (host.logFileText().isEmpty()) {
        return QStringLiteral("请选择日志文件");
    }
    if (host.databaseNameText().isEmpty()) {
        return QStringLiteral("请输入数据库名");
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
        host.showStatus(QStringLiteral("数据库已存在"));
        return;
    }
    conn.execute(attachStatement(databaseName, host.dataFileText(), host.logFileText()));
    host.showStatus(QStringLiteral("数据库符加成功"));

    host.setDatabaseNameText(QString());
    host.setDataFileText(QString());
    host.setLogFileText(QString());
    LoadDbList(conn, host.databaseList());
}

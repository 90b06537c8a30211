#include "SelectionCheck.h"

#include "OperationHost.h"

std::optional<QString> selectedDatabase(OperationHost& host) {
    if (host.selectedDatabaseIndex() < 0) {
        host.showStatus(QStringLiteral("请选择数据库"));
        return std::nullopt;
    }
    return host.selectedDatabaseText();
}

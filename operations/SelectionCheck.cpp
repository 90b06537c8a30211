#include "SelectionCheck.h"

#include "OperationHost.h"
#include "common/OperatorTexts.h"

std::optional<QString> selectedDatabase(OperationHost& host) {
    if (host.selectedDatabaseIndex() < 0) {
        host.showStatus(texts::kSelectDatabase);
        return std::nullopt;
    }
    return host.selectedDatabaseText();
}

#include "Handlers.h"
#include "OperationHost.h"
#include "common/OperatorTexts.h"

void chooseLogFile(OperationHost& host) {
    const ChosenFile file = host.chooseFile(texts::kLogFileFilter, FileDialogMode::Open);
    host.setLogFileText(file.fullPath);
    host.showStatus(texts::kLogFileChosen);
}

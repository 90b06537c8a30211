#include "Handlers.h"
#include "NameProposal.h"
#include "OperationHost.h"
#include "common/OperatorTexts.h"

void chooseDataFile(OperationHost& host) {
    const ChosenFile file = host.chooseFile(texts::kDataFileFilter, FileDialogMode::Open);
    host.setDataFileText(file.fullPath);
    // A log file chosen before belongs to another data file.
    host.setLogFileText(QString());
    host.setDatabaseNameText(proposeDatabaseName(file.title));
    host.showStatus(texts::kDataFileChosen);
}

#include "FileDialog.h"
#include "Handlers.h"
#include "NameProposal.h"
#include "OperationHost.h"

void chooseDataFile(OperationHost& host) {
    const ChosenFile file = host.chooseFile(kDataFileFilter, FileDialogMode::Open);
    host.setDataFileText(file.fullPath);
    // A log file chosen before belongs to another data file.
    host.setLogFileText(QString());
    host.setDatabaseNameText(proposeDatabaseName(file.title));
    host.showStatus(QStringLiteral("数据库文件选择成功"));
}

#include "FileDialog.h"
#include "Handlers.h"
#include "OperationHost.h"

void chooseLogFile(OperationHost& host) {
    const ChosenFile file = host.chooseFile(kLogFileFilter, FileDialogMode::Open);
    host.setLogFileText(file.fullPath);
    host.showStatus(QStringLiteral("日志文件选择成功"));
}

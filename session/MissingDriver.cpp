#include "MissingDriver.h"

namespace {

const QString kNotRegistered = QStringLiteral("IM002");
const QString kLibraryNotLoaded = QStringLiteral("Can't open lib");

const QString kDriver = QStringLiteral("FreeTDS");
const QString kDriverPackage = QStringLiteral("tdsodbc");
const QString kInstallCommand = QStringLiteral("sudo apt install tdsodbc");
// The registration template the Debian package of the driver ships.
const QString kRegisterCommand =
    QStringLiteral("sudo odbcinst -i -d -f /usr/share/tdsodbc/odbcinst.ini");

}  // namespace

bool isMissingDriver(const QString& sqlState, const QString& message) {
    return sqlState == kNotRegistered || message.contains(kLibraryNotLoaded);
}

QString missingDriverDescription() {
    return QStringLiteral(
               "缺少 ODBC 驱动 %1：请安装 %2 软件包（%3），再向 unixODBC 注册该驱动（%4）")
        .arg(kDriver, kDriverPackage, kInstallCommand, kRegisterCommand);
}

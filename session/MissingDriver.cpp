#include "MissingDriver.h"

#include "common/OperatorTexts.h"

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
    return texts::kMissingDriver.arg(kDriver, kDriverPackage, kInstallCommand, kRegisterCommand);
}

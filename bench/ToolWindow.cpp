#include "ToolWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <stdexcept>

#include "app/FMain.h"
#include "common/OperatorTexts.h"
#include "operations/ConnectionHandlers.h"
#include "session/ConnectionString.h"
#include "session/OdbcConnectionString.h"
#include "session/ServerTrust.h"

namespace bench {

namespace {

constexpr int kSqlServerLoginIndex = 1;

template <typename Widget>
Widget& control(FMain& window, const char* name) {
    auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        throw std::runtime_error(std::string("the window has no control ") + name);
    }
    return *widget;
}

}  // namespace

QString ServerLogin::dataSource() const {
    return QStringLiteral("127.0.0.1,%1").arg(port);
}

std::u16string ServerLogin::odbcConnectionString() const {
    using namespace connection_string;
    const QString composed = compose(LoginStyle::SqlServer, QStringLiteral("sa"),
                                     QString::fromStdString(saPassword), dataSource());
    // Written as the access layer writes it before its connect.
    const OdbcRequest request = translate(composed);
    server_trust::writeSection(*request.ownSection);
    return request.odbc.toStdU16String();
}

std::u16string ServerLogin::clearOdbcConnectionString() const {
    QString odbc = QString::fromStdU16String(odbcConnectionString());
    const QString encrypted = QStringLiteral("Encryption=require");
    if (!odbc.contains(encrypted)) {
        throw std::runtime_error("the tool's connection string no longer asks for encryption");
    }
    return odbc.replace(encrypted, QStringLiteral("Encryption=off")).toStdU16String();
}

void connectWindow(FMain& window, const ServerLogin& login) {
    control<QLineEdit>(window, "T_Ip").setText(login.dataSource());
    control<QComboBox>(window, "C_LoginStyle").setCurrentIndex(kSqlServerLoginIndex);
    control<QLineEdit>(window, "T_User").setText(QStringLiteral("sa"));
    control<QLineEdit>(window, "T_Pwd").setText(QString::fromStdString(login.saPassword));
    control<QPushButton>(window, "C_Link").click();
    if (window.statusText() != texts::kConnected) {
        throw std::runtime_error("the window did not connect: " +
                                 window.statusText().toStdString());
    }
}

int listedDatabaseCount(FMain& window) {
    return control<QComboBox>(window, "C_DbList").count();
}

bool listsDatabase(FMain& window, const QString& name) {
    return control<QComboBox>(window, "C_DbList").findText(name, Qt::MatchExactly) >= 0;
}

void selectDatabase(FMain& window, const QString& name) {
    auto& list = control<QComboBox>(window, "C_DbList");
    const int index = list.findText(name, Qt::MatchExactly);
    if (index < 0) {
        throw std::runtime_error("C_DbList does not offer " + name.toStdString());
    }
    list.setCurrentIndex(index);
}

}  // namespace bench

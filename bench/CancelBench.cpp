#include "CancelBench.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "Measure.h"
#include "app/FMain.h"
#include "app/Prompts.h"
#include "common/OperatorTexts.h"
#include "session/DatabaseError.h"
#include "session/OdbcConnection.h"
#include "support/StallingConnection.h"

namespace bench {

namespace {

class FixedPrompts : public Prompts {
  public:
    explicit FixedPrompts(QString path) : path_(std::move(path)) {}
    QString askTypedConfirmation(const QString&, const QString&) override {
        return texts::kConfirmationPhrase;
    }
    ChosenFile chooseFile(const QString&, FileDialogMode) override {
        return {path_, QStringLiteral("backup.bak")};
    }
    bool confirmCertificate(const UntrustedCertificate&) override { return false; }

  private:
    QString path_;
};

// Presses Esc `after` into the click, answers "是" and starts `answered` at that moment.
void cancelDuringClick(FMain& window, const char* button, int after, QElapsedTimer& answered) {
    QTimer::singleShot(after, [&window, &answered] {
        auto* poll = new QTimer;
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, [poll, &answered] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                poll->stop();
                poll->deleteLater();
                answered.start();
                box->button(QMessageBox::Yes)->click();
            }
        });
        poll->start();
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&window, &esc);
    });
    window.findChild<QPushButton*>(QString::fromLatin1(button))->click();
}

}  // namespace

double cancelledRestoreSeconds(const ServerLogin& login, const QString& database,
                               const QString& backupPath) {
    FMain window{makeOdbcConnection, std::make_unique<FixedPrompts>(backupPath)};
    window.show();
    QApplication::processEvents();
    connectWindow(window, login);
    selectDatabase(window, database);
    QElapsedTimer answered;
    cancelDuringClick(window, "c_Restore", 1000, answered);
    const double seconds = static_cast<double>(answered.nsecsElapsed()) / 1e9;
    if (!window.statusText().startsWith(QStringLiteral("恢复已取消"))) {
        throw std::runtime_error("the window said: " + window.statusText().toStdString());
    }
    return seconds;
}

double silentLoginSeconds() {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), length);
    ::listen(listener, 8);  // the kernel takes the connection; nobody ever answers
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    FMain window{makeOdbcConnection};
    window.show();
    window.findChild<QComboBox*>(QStringLiteral("C_LoginStyle"))->setCurrentIndex(1);
    window.findChild<QLineEdit*>(QStringLiteral("T_Ip"))
        ->setText(QStringLiteral("127.0.0.1,%1").arg(ntohs(address.sin_port)));
    const double seconds =
        timed([&] { window.findChild<QPushButton*>(QStringLiteral("C_Link"))->click(); });
    ::close(listener);
    if (!window.findChild<QPushButton*>(QStringLiteral("C_Link"))->isEnabled()) {
        throw std::runtime_error("the window is not usable again");
    }
    return seconds;
}

double disconnectBehindStalledHelperSeconds(const ServerLogin& login, const QString& database,
                                            const QString& backupPath) {
    auto released = std::make_shared<std::atomic<bool>>(false);
    int made = 0;
    double seconds = 0;
    {
        FMain window{[&made, released]() -> std::unique_ptr<Connection> {
                         if (made++ == 0) {
                             return std::make_unique<OdbcConnection>();
                         }
                         return std::make_unique<StallingConnection>(released);
                     },
                     std::make_unique<FixedPrompts>(backupPath)};
        window.show();
        connectWindow(window, login);
        selectDatabase(window, database);
        window.findChild<QPushButton*>(QStringLiteral("c_BackUp"))->click();
        seconds =
            timed([&] { window.findChild<QPushButton*>(QStringLiteral("C_UnLink"))->click(); });
    }
    *released = true;
    return seconds;
}

}  // namespace bench

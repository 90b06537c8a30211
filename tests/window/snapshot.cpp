// Renders the window to a PNG, optionally after connecting to a server, so that the
// README's picture and a reviewer's look at the layout come from the real widgets.
// Usage: window_snapshot OUT.png [SERVER USER PASSWORD [DATABASE-TO-SELECT [BUTTON-TO-CLICK
//                               [SERVER-FOLDER-TO-SHOW]]]]
//        window_snapshot OUT.png SERVER USER PASSWORD DATABASE --restore-from BACKUP [SECONDS]
// The second form restores the database from the backup, the prompts answered, and takes
// the picture SECONDS (default 3) into the restore, with the server's progress showing.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <functional>

#include "app/CertificateDialog.h"
#include "app/ChineseQtTexts.h"
#include "app/FMain.h"
#include "app/Prompts.h"
#include "app/ServerFileDialog.h"
#include "common/OperatorTexts.h"
#include "session/OdbcConnection.h"
#include "session/OwnFreeTdsFile.h"

namespace {

// The restore's prompts, answered as the operator would.
class RestorePrompts : public Prompts {
  public:
    explicit RestorePrompts(QString backup) : backup_(std::move(backup)) {}
    QString askTypedConfirmation(const QString&, const QString&) override {
        return texts::kConfirmationPhrase;
    }
    ChosenFile chooseFile(const QString&, FileDialogMode) override {
        return {backup_, backup_.section(u'/', -1)};
    }
    bool confirmCertificate(const UntrustedCertificate&) override { return false; }

  private:
    QString backup_;
};

}  // namespace

int main(int argc, char* argv[]) {
    own_freetds::adopt();
    QApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    QTranslator qtTexts;
    installChineseQtTexts(qtTexts);
    const bool restoring = argc >= 8 && QByteArray(argv[6]) == "--restore-from";
    std::unique_ptr<Prompts> prompts;
    if (restoring) {
        prompts = std::make_unique<RestorePrompts>(QString::fromLocal8Bit(argv[7]));
    }
    FMain window{makeOdbcConnection, std::move(prompts)};
    window.show();
    // The server certificate dialog, when the connect meets one, is pictured and cancelled.
    QTimer certificateWatch;
    QObject::connect(&certificateWatch, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<CertificateDialog*>(QApplication::activeModalWidget())) {
            dialog->grab().save(QString::fromLocal8Bit(argv[1]) +
                                QStringLiteral(".certificate.png"));
            dialog->reject();
        }
    });
    certificateWatch.start(300);
    if (argc >= 5) {
        window.findChild<QComboBox*>(QStringLiteral("C_LoginStyle"))->setCurrentIndex(1);
        window.findChild<QLineEdit*>(QStringLiteral("T_Ip"))
            ->setText(QString::fromLocal8Bit(argv[2]));
        window.findChild<QLineEdit*>(QStringLiteral("T_User"))
            ->setText(QString::fromLocal8Bit(argv[3]));
        window.findChild<QLineEdit*>(QStringLiteral("T_Pwd"))
            ->setText(QString::fromLocal8Bit(argv[4]));
        window.findChild<QPushButton*>(QStringLiteral("C_Link"))->click();
    }
    if (argc >= 6) {
        auto* list = window.findChild<QComboBox*>(QStringLiteral("C_DbList"));
        list->setCurrentIndex(list->findText(QString::fromLocal8Bit(argv[5])));
    }
    if (restoring) {
        const double seconds = argc >= 9 ? QByteArray(argv[8]).toDouble() : 3.0;
        QTimer::singleShot(static_cast<int>(seconds * 1000),
                           [&] { window.grab().save(QString::fromLocal8Bit(argv[1])); });
        window.findChild<QPushButton*>(QStringLiteral("c_Restore"))->click();
        qInfo("%s", qUtf8Printable(window.statusText()));
        return 0;
    }
    // A prompt that the click opens is pictured too, then cancelled. A typed confirmation on
    // the way is answered with the phrase; the server file dialog is first taken to the
    // folder given, if any.
    const QString dialogShot = QString::fromLocal8Bit(argv[1]) + QStringLiteral(".dialog.png");
    const QString folder = argc >= 8 ? QString::fromLocal8Bit(argv[7]) : QString();
    bool folderShown = folder.isEmpty();
    std::function<void()> picture = [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* prompt = qobject_cast<QInputDialog*>(modal)) {
            prompt->setTextValue(texts::kConfirmationPhrase);
            prompt->accept();
            QTimer::singleShot(300, picture);
            return;
        }
        if (auto* files = qobject_cast<ServerFileDialog*>(modal);
            files != nullptr && !folderShown) {
            auto* location = files->findChild<QLineEdit*>(QStringLiteral("serverLocation"));
            location->setText(folder);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(location, &press);
            folderShown = true;
            QTimer::singleShot(500, picture);
            return;
        }
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->grab().save(dialogShot);
            dialog->reject();
        }
    };
    if (argc >= 7) {
        QTimer::singleShot(500, picture);
        window.findChild<QPushButton*>(QString::fromLocal8Bit(argv[6]))->click();
    }
    QTimer::singleShot(300, [&] {
        window.grab().save(QString::fromLocal8Bit(argv[1]));
        QApplication::quit();
    });
    return QApplication::exec();
}

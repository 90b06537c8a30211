// Renders the window to a PNG, optionally after connecting to a server, so that the
// README's picture and a reviewer's look at the layout come from the real widgets.
// Usage: window_snapshot OUT.png [SERVER USER PASSWORD [DATABASE-TO-SELECT [BUTTON-TO-CLICK
//                               [SERVER-FOLDER-TO-SHOW [FILE]]]]]
//        window_snapshot OUT.png SERVER USER PASSWORD DATABASE --restore-from BACKUP [SECONDS]
//        window_snapshot OUT.png SERVER USER PASSWORD DATABASE --cancel-restore BACKUP [SECONDS]
// The second form restores the database from the backup, the prompts answered, and takes
// the picture SECONDS (default 3) into the restore, with the server's progress showing.
// FILE is selected in an open dialog, whose backup preview is then pictured; in a save
// dialog it is typed and answered, and a question whether to overwrite it is pictured
// (OUT.png.question.png) and answered No.
// The third then presses Esc, pictures the question in OUT.png.question.png, answers
// "是", and pictures the window with what the cancel left in OUT.png.cancelled.png.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
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
    // The development server's own certificate, trusted as the operator would once they had
    // compared its fingerprint (run it with XDG_STATE_HOME pointing to a scratch folder).
    bool confirmCertificate(const UntrustedCertificate&) override { return true; }

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
    const bool cancelling = argc >= 8 && QByteArray(argv[6]) == "--cancel-restore";
    const bool restoring = argc >= 8 && (QByteArray(argv[6]) == "--restore-from" || cancelling);
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
        const QString out = QString::fromLocal8Bit(argv[1]);
        QTimer::singleShot(static_cast<int>(seconds * 1000), [&] {
            window.grab().save(out);
            if (!cancelling) {
                return;
            }
            QTimer::singleShot(300, [&] {
                if (auto* question =
                        qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    question->grab().save(out + QStringLiteral(".question.png"));
                    question->button(QMessageBox::Yes)->click();
                }
            });
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&window, &escape);
        });
        window.findChild<QPushButton*>(QStringLiteral("c_Restore"))->click();
        qInfo("%s", qUtf8Printable(window.statusText()));
        if (cancelling) {
            window.grab().save(out + QStringLiteral(".cancelled.png"));
        }
        return 0;
    }
    // A prompt that the click opens is pictured too, then cancelled. A typed confirmation on
    // the way is answered with the phrase; the server file dialog is first taken to the
    // folder given, if any.
    const QString dialogShot = QString::fromLocal8Bit(argv[1]) + QStringLiteral(".dialog.png");
    const QString folder = argc >= 8 ? QString::fromLocal8Bit(argv[7]) : QString();
    bool folderShown = folder.isEmpty();
    const QString file = argc >= 9 ? QString::fromLocal8Bit(argv[8]) : QString();
    bool fileChosen = file.isEmpty();
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
        if (auto* files = qobject_cast<ServerFileDialog*>(modal); files != nullptr && !fileChosen) {
            fileChosen = true;
            if (files->windowTitle() == texts::kServerFilesSaveTitle) {
                auto* name = files->findChild<QLineEdit*>(QStringLiteral("serverFileName"));
                name->setText(file);
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(name, &press);
            } else {
                auto* view = files->findChild<QTreeView*>(QStringLiteral("serverEntries"));
                for (int row = 0; row < view->model()->rowCount(); ++row) {
                    if (view->model()->index(row, 0).data().toString() == file) {
                        view->setCurrentIndex(view->model()->index(row, 0));
                    }
                }
            }
            QTimer::singleShot(700, picture);
            return;
        }
        if (auto* question = qobject_cast<QMessageBox*>(modal)) {
            question->grab().save(QString::fromLocal8Bit(argv[1]) +
                                  QStringLiteral(".question.png"));
            question->button(QMessageBox::No)->click();
            QTimer::singleShot(300, picture);
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

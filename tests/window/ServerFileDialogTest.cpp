// The file dialog in the window against the development server, posing as a Linux or as a
// Windows host: the operator browses, types and cancels with the real widgets, and the
// server's log shows that the tool's own session received only the documented texts while
// the listing went over the helper connection.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <fstream>
#include <functional>

#include "DocumentedTexts.h"
#include "QtPrinters.h"
#include "app/BackupPreviewPane.h"
#include "app/FMain.h"
#include "app/ServerFileDialog.h"
#include "faults/CuttingProxy.h"
#include "session/ConnectionString.h"
#include "session/OdbcConnection.h"
#include "support/DevServerProcess.h"

namespace {

const QString kPassword = QStringLiteral("Dlg#Pass1");
const QString kCancelled = QStringLiteral("已取消选择文件");
const QString kHostProperties = QStringLiteral("SERVERPROPERTY('ProductVersion')");

bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 10000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void pressReturn(QWidget* widget) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

// Runs `answer` on the modal dialog of type D once it shows.
template <typename D>
void whenShown(std::function<void(D*)> answer) {
    QTimer::singleShot(5, [answer] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            whenShown<D>(answer);
            return;
        }
        answer(dialog);
    });
}

// The server file dialog as the operator sees it. Whatever a step leaves undone, the
// dialog is closed when the driver goes, so that a failing test never hangs the window.
class Dialog {
  public:
    explicit Dialog(ServerFileDialog* dialog) : dialog_(dialog) { EXPECT_TRUE(loaded()); }
    ~Dialog() {
        if (dialog_->isVisible()) {
            dialog_->reject();
        }
    }
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    bool loaded() const {
        return waitFor([this] { return !dialog_->loading(); });
    }
    template <typename W>
    W* child(const char* name) const {
        auto* widget = dialog_->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString title() const { return dialog_->windowTitle(); }
    QString location() const { return child<QLineEdit>("serverLocation")->text(); }
    QString notice() const { return child<QLabel>("serverNotice")->text(); }
    QLineEdit* fileName() const { return child<QLineEdit>("serverFileName"); }
    bool nameFieldHasFocus() const { return dialog_->focusWidget() == fileName(); }
    QString fileType() const { return child<QComboBox>("fileType")->currentText(); }

    QStringList column(int which) const {
        auto* model = child<QTreeView>("serverEntries")->model();
        QStringList texts;
        for (int row = 0; row < model->rowCount(); ++row) {
            texts << model->index(row, which).data().toString();
        }
        return texts;
    }
    QStringList shown() const { return column(0); }

    // Selects the entry, as a click does, and presses Return in the list.
    void select(const QString& name) {
        auto* view = child<QTreeView>("serverEntries");
        const int row = static_cast<int>(shown().indexOf(name));
        ASSERT_GE(row, 0) << name.toStdString() << " is not shown";
        view->setCurrentIndex(view->model()->index(row, 0));
    }
    void open(const QString& name) {
        select(name);
        pressReturn(child<QTreeView>("serverEntries"));
        EXPECT_TRUE(loaded());
    }
    void goUp() {
        child<QToolButton>("serverUp")->click();
        EXPECT_TRUE(loaded());
    }
    void type(const QString& text) {
        fileName()->setText(text);
        pressReturn(fileName());
    }
    void cancel() { dialog_->reject(); }
    bool accepted() const {
        return dialog_->result() == QDialog::Accepted && !dialog_->isVisible();
    }
    // After the check of a backup's target, and the question it may ask.
    bool acceptedAfterCheck() const {
        return waitFor([this] { return !dialog_->checkingTarget(); }) && accepted();
    }
    bool visibleAfterCheck() const {
        return waitFor([this] { return !dialog_->checkingTarget(); }) && dialog_->isVisible();
    }

    // The restore's preview of the entry once read: its details and its warnings.
    QString preview(const QString& name) {
        select(name);
        return previewed();
    }
    QString previewed() const {
        auto* pane = child<BackupPreviewPane>("backupPreview");
        EXPECT_TRUE(waitFor([pane] { return !pane->reading(); }));
        return child<QLabel>("backupDetails")->text();
    }
    QString warnings() const { return child<QLabel>("backupWarnings")->text(); }

  private:
    ServerFileDialog* dialog_;
};

class DialogAgainstServer : public ::testing::Test {
  protected:
    explicit DialogAgainstServer(DevServerProcess::Options options) : server(std::move(options)) {
        std::filesystem::create_directories(server.root() / "samples");
        OdbcConnection setup;
        setup.open(login(QStringLiteral("sa"), kPassword, server.port()));
        setup.execute(QStringLiteral("CREATE DATABASE Shop"));
        // Simple recovery keeps no log tail, so the backup restores over the database.
        setup.execute(QStringLiteral("ALTER DATABASE Shop SET RECOVERY SIMPLE"));
        setup.execute(QStringLiteral("BACKUP DATABASE Shop TO DISK = N'") +
                      serverPath("samples/Shop.bak") + QStringLiteral("' WITH FORMAT"));
    }

    static QString login(const QString& user, const QString& password, int port) {
        return connection_string::compose(connection_string::LoginStyle::SqlServer, user, password,
                                          QStringLiteral("127.0.0.1,%1").arg(port));
    }
    QString serverPath(const std::string& belowRoot) const {
        return QString::fromStdString(server.serverPath(belowRoot));
    }
    // The folder as the server names its default folders, with a closing separator.
    QString serverFolder(const std::string& belowRoot) const {
        const QString path = serverPath(belowRoot);
        return path.endsWith(u'\\') || path.endsWith(u'/') ? path
                                                           : path + (windows() ? u'\\' : u'/');
    }
    bool windows() const { return serverPath("x").startsWith(QStringLiteral("D:")); }

    template <typename W>
    W* control(const char* name) {
        return window.findChild<W*>(QString::fromLatin1(name));
    }
    void connectAs(const QString& user, const QString& password, int port) {
        control<QComboBox>("C_LoginStyle")->setCurrentIndex(1);
        control<QLineEdit>("T_User")->setText(user);
        control<QLineEdit>("T_Pwd")->setText(password);
        control<QLineEdit>("T_Ip")->setText(QStringLiteral("127.0.0.1,%1").arg(port));
        control<QPushButton>("C_Link")->click();
        ASSERT_EQ(window.statusText(), QStringLiteral("数据库连接成功"));
    }
    void connectAsSa() { connectAs(QStringLiteral("sa"), kPassword, server.port()); }
    void select(const QString& database) {
        auto* list = control<QComboBox>("C_DbList");
        list->setCurrentIndex(list->findText(database));
    }
    void clickWithDialog(const char* button, const std::function<void(Dialog&)>& steps) {
        whenShown<ServerFileDialog>([steps](ServerFileDialog* shown) {
            Dialog dialog(shown);
            steps(dialog);
        });
        control<QPushButton>(button)->click();
    }
    void confirmNextPrompt() {
        whenShown<QInputDialog>([](QInputDialog* prompt) {
            prompt->setTextValue(kConfirmationPhrase);
            prompt->accept();
        });
    }

    // What the tool's own session received: the session that asked for the list first.
    QStringList ownSessionTexts() const {
        const auto log = server.readLog();
        int own = 0;
        QStringList texts;
        for (const auto& batch : log) {
            const QString sql = QString::fromStdString(batch.sql);
            if (own == 0 && sql == kCatalogue) {
                own = batch.spid;
            }
            if (own != 0 && batch.spid == own) {
                texts << sql;
            }
        }
        return texts;
    }
    // Texts that other sessions sent and that contain `part`.
    int othersSent(const QString& part) const {
        const QStringList own = ownSessionTexts();
        int count = 0;
        for (const auto& batch : server.readLog()) {
            const QString sql = QString::fromStdString(batch.sql);
            count += sql.contains(part) && !own.contains(sql) ? 1 : 0;
        }
        return count;
    }

    DevServerProcess server;
    FMain window{makeOdbcConnection};
};

class OnEitherHost : public DialogAgainstServer, public ::testing::WithParamInterface<bool> {
  protected:
    OnEitherHost()
        : DialogAgainstServer({.saPassword = kPassword.toStdString(), .windowsHost = GetParam()}) {}
};

TEST_P(OnEitherHost, BrowsesToTheSampleBackupAndRestoresIt) {
    connectAsSa();
    select(QStringLiteral("Shop"));
    confirmNextPrompt();
    clickWithDialog("c_Restore", [&](Dialog& dialog) {
        EXPECT_EQ(dialog.title(), "打开服务器上的文件");
        EXPECT_EQ(dialog.fileType(), "备份文件(*.bak)");
        EXPECT_TRUE(dialog.nameFieldHasFocus());
        // The backup folder of the instance, which lies beside its data; .mdf and .ldf files
        // are there but the filter shows none of them.
        EXPECT_EQ(dialog.location(), serverFolder("data"));
        EXPECT_EQ(dialog.notice(), "");
        for (const QString& name : dialog.shown()) {
            EXPECT_TRUE(name.endsWith(QStringLiteral(".bak"))) << name.toStdString();
        }
        dialog.goUp();
        EXPECT_EQ(dialog.location(), serverFolder(""));
        EXPECT_TRUE(dialog.shown().contains(QStringLiteral("samples")));
        EXPECT_TRUE(dialog.shown().contains(QStringLiteral("data")));
        dialog.open(QStringLiteral("samples"));
        EXPECT_EQ(dialog.location(), serverFolder("samples"));
        EXPECT_EQ(dialog.shown(), QStringList{QStringLiteral("Shop.bak")});
        EXPECT_FALSE(dialog.column(1).constFirst().isEmpty());  // its size
        EXPECT_FALSE(dialog.column(2).constFirst().isEmpty());  // its date
        dialog.select(QStringLiteral("Shop.bak"));
        EXPECT_EQ(dialog.fileName()->text(), "Shop.bak");
        pressReturn(dialog.fileName());
        EXPECT_TRUE(dialog.accepted());
    });
    EXPECT_EQ(window.statusText(), "恢复数据库成功");
    EXPECT_EQ(ownSessionTexts(),
              (QStringList{kCatalogue, evictionBatch(QStringLiteral("'Shop'")),
                           QStringLiteral("Restore Database Shop From disk='") +
                               serverPath("samples/Shop.bak") + QStringLiteral("' "),
                           kCatalogue}));
    EXPECT_GE(othersSent(kHostProperties), 1);
}

TEST_P(OnEitherHost, SavesUnderNewNamesKeepsTheLastAndReturnsATypedPathVerbatim) {
    connectAsSa();
    select(QStringLiteral("Shop"));
    clickWithDialog("c_BackUp", [](Dialog& dialog) { dialog.cancel(); });
    EXPECT_EQ(window.statusText(), kCancelled);

    const QString newName = QStringLiteral("新 备份'1'.bak");
    clickWithDialog("c_BackUp", [&](Dialog& dialog) {
        EXPECT_EQ(dialog.title(), "保存到服务器上的文件");
        EXPECT_EQ(dialog.location(), serverFolder("data"));
        dialog.type(newName);
        EXPECT_TRUE(dialog.accepted());
    });
    EXPECT_EQ(window.statusText(), "备份数据库成功");
    EXPECT_TRUE(std::filesystem::exists(server.dataDir() / newName.toStdString()));

    select(QStringLiteral("Shop"));
    clickWithDialog("c_BackUp", [&](Dialog& dialog) {
        // The last name is offered in its folder, where the filter now shows the new file.
        EXPECT_EQ(dialog.fileName()->text(), newName);
        EXPECT_EQ(dialog.location(), serverFolder("data"));
        EXPECT_EQ(dialog.shown(), QStringList{newName});
        // The file exists now, so the dialog asks before the backup replaces it.
        whenShown<QMessageBox>(
            [](QMessageBox* question) { question->button(QMessageBox::Yes)->click(); });
        pressReturn(dialog.fileName());
        EXPECT_TRUE(dialog.acceptedAfterCheck());
    });
    EXPECT_EQ(window.statusText(), "备份数据库成功");

    // A folder whose name holds a quote, brackets and Chinese lists like any other.
    const QString odd = QStringLiteral("旧 [备份] O'Brien");
    std::filesystem::create_directories(server.root() / odd.toStdString());
    select(QStringLiteral("Shop"));
    clickWithDialog("c_BackUp", [&](Dialog& dialog) {
        dialog.goUp();
        dialog.open(odd);
        EXPECT_EQ(dialog.location(), serverFolder(odd.toStdString()));
        EXPECT_EQ(dialog.notice(), "");
        dialog.type(QStringLiteral("x.bak"));
        EXPECT_TRUE(dialog.accepted());
    });
    EXPECT_EQ(window.statusText(), "备份数据库成功");
    EXPECT_TRUE(std::filesystem::exists(server.root() / odd.toStdString() / "x.bak"));

    // Typed as an operator would for the server: another case and '/' on Windows.
    const QString typed =
        windows() ? QStringLiteral("d:/SAMPLES\\Typed.BAK") : serverPath("samples/Typed.BAK");
    select(QStringLiteral("Shop"));
    clickWithDialog("c_BackUp", [&](Dialog& dialog) {
        dialog.type(typed);
        // Outside the folder on show, the server is asked whether the file exists.
        EXPECT_TRUE(dialog.acceptedAfterCheck());
    });
    EXPECT_EQ(window.statusText(), "备份数据库成功");
    EXPECT_TRUE(std::filesystem::exists(server.root() / "samples" / "Typed.BAK"));

    auto backupTo = [](const QString& quotedPath) {
        return QStringLiteral("Backup Database Shop To disk=") + quotedPath +
               QStringLiteral(" WITH FORMAT ");
    };
    const QString inData = QStringLiteral("N'") + serverPath("data/新 备份''1''.bak") + u'\'';
    const QString inOdd =
        QStringLiteral("N'") + serverPath(odd.toStdString() + "/x.bak").replace("'", "''") + u'\'';
    EXPECT_EQ(
        ownSessionTexts(),
        (QStringList{kCatalogue, backupTo(inData), kCatalogue, backupTo(inData), kCatalogue,
                     backupTo(inOdd), kCatalogue, backupTo(u'\'' + typed + u'\''), kCatalogue}));
}

INSTANTIATE_TEST_SUITE_P(Dialog, OnEitherHost, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "WindowsHost" : "LinuxHost";
                         });

class RestrictedLogin : public DialogAgainstServer, public ::testing::WithParamInterface<bool> {
  protected:
    RestrictedLogin()
        : DialogAgainstServer({.saPassword = kPassword.toStdString(),
                               .windowsHost = GetParam(),
                               .extraArguments = {"--restricted-login", "viewer=View#1"}}) {}
};

TEST_P(RestrictedLogin, ARefusedListingSaysWhyAndATypedPathStillWorks) {
    connectAs(QStringLiteral("viewer"), QStringLiteral("View#1"), server.port());
    const QString typed = serverPath("data/Shop.mdf");
    clickWithDialog("C_FMdf", [&](Dialog& dialog) {
        EXPECT_TRUE(dialog.nameFieldHasFocus());
        // The server's own reason: VIEW SERVER STATE, and EXECUTE on the fallback, denied.
        EXPECT_TRUE(dialog.notice().contains(QStringLiteral("permission")))
            << dialog.notice().toStdString();
        EXPECT_TRUE(dialog.shown().isEmpty());
        dialog.type(typed);
        EXPECT_TRUE(dialog.accepted());
    });
    EXPECT_EQ(window.statusText(), "数据库文件选择成功");
    EXPECT_EQ(control<QPlainTextEdit>("T_Mdf")->toPlainText(), typed);
    EXPECT_EQ(ownSessionTexts(), QStringList{kCatalogue});
}

INSTANTIATE_TEST_SUITE_P(Dialog, RestrictedLogin, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "WindowsHost" : "LinuxHost";
                         });

class OlderServer : public DialogAgainstServer {
  protected:
    OlderServer()
        : DialogAgainstServer({.saPassword = kPassword.toStdString(),
                               .windowsHost = true,
                               .extraArguments = {"--server-version", "2016"}}) {}
};

TEST_F(OlderServer, IsBrowsedThroughTheExtendedProceduresDownToItsDrives) {
    connectAsSa();
    clickWithDialog("C_FMdf", [](Dialog& dialog) {
        EXPECT_EQ(dialog.location(), "D:\\data\\");
        EXPECT_TRUE(dialog.shown().contains(QStringLiteral("Shop.mdf")));
        EXPECT_EQ(dialog.column(1).at(dialog.shown().indexOf(QStringLiteral("Shop.mdf"))), "");
        dialog.goUp();
        EXPECT_EQ(dialog.location(), "D:\\");
        dialog.goUp();
        EXPECT_EQ(dialog.location(), "");
        EXPECT_EQ(dialog.shown(), QStringList{QStringLiteral("D:\\")});
        EXPECT_TRUE(dialog.column(1).constFirst().startsWith(QStringLiteral("可用 ")));
        dialog.open(QStringLiteral("D:\\"));
        dialog.open(QStringLiteral("data"));
        dialog.select(QStringLiteral("Shop.mdf"));
        pressReturn(dialog.fileName());
        EXPECT_TRUE(dialog.accepted());
    });
    EXPECT_EQ(control<QPlainTextEdit>("T_Mdf")->toPlainText(), "D:\\data\\Shop.mdf");
    EXPECT_EQ(control<QLineEdit>("T_DbName")->text(), "Shop");
    EXPECT_GE(othersSent(QStringLiteral("xp_dirtree")), 1);
    EXPECT_EQ(othersSent(QStringLiteral("dm_os_enumerate_filesystem")), 0);
}

// Its backups record SQL Server 2022, as if taken on a newer server than this 2019 one.
class NewerBackups : public DialogAgainstServer {
  protected:
    NewerBackups()
        : DialogAgainstServer(
              {.saPassword = kPassword.toStdString(),
               .extraArguments = {"--server-version", "2019", "--backup-version", "2022"}}) {}
};

TEST_F(NewerBackups, ArePreviewedWithAWarningAndTheServerRefusesThemAsForetold) {
    connectAsSa();
    select(QStringLiteral("Shop"));
    confirmNextPrompt();
    clickWithDialog("c_Restore", [&](Dialog& dialog) {
        dialog.goUp();
        dialog.open(QStringLiteral("samples"));
        EXPECT_TRUE(
            dialog.preview(QStringLiteral("Shop.bak")).contains(QStringLiteral("数据库：Shop")));
        EXPECT_EQ(
            dialog.warnings(),
            "注意：备份来自更新版本的服务器（16 版），本服务器为 15 版，恢复会失败（错误 3169）。");
        pressReturn(dialog.fileName());
        EXPECT_TRUE(dialog.accepted());
    });
    EXPECT_TRUE(window.statusText().startsWith(
        QStringLiteral("The database was backed up on a server running version 16.00.1000.")))
        << window.statusText().toStdString();
}

class LinuxHost : public DialogAgainstServer {
  protected:
    LinuxHost() : DialogAgainstServer({.saPassword = kPassword.toStdString()}) {}
};

TEST_F(LinuxHost, AVanishedOrUnreadableFolderShowsTheServersReasonAndTheDialogStaysUsable) {
    std::filesystem::create_directories(server.root() / "gone");
    std::filesystem::create_directories(server.root() / "locked");
    connectAsSa();
    clickWithDialog("C_FLdf", [&](Dialog& dialog) {
        dialog.goUp();
        std::filesystem::remove(server.root() / "gone");
        dialog.open(QStringLiteral("gone"));
        EXPECT_EQ(dialog.location(), serverFolder("gone"));
        EXPECT_TRUE(dialog.notice().contains(QStringLiteral("cannot find the path")))
            << dialog.notice().toStdString();
        if (::geteuid() != 0) {  // the superuser reads any folder
            std::filesystem::permissions(server.root() / "locked", std::filesystem::perms::none);
            dialog.goUp();
            dialog.open(QStringLiteral("locked"));
            EXPECT_TRUE(dialog.notice().contains(QStringLiteral("Access is denied")))
                << dialog.notice().toStdString();
            std::filesystem::permissions(server.root() / "locked",
                                         std::filesystem::perms::owner_all);
        }
        dialog.type(QStringLiteral("x_log.ldf"));
        EXPECT_TRUE(dialog.accepted());
    });
    EXPECT_EQ(window.statusText(), "日志文件选择成功");
    const QString folder = ::geteuid() != 0 ? serverFolder("locked") : serverFolder("gone");
    EXPECT_EQ(control<QPlainTextEdit>("T_Ldf")->toPlainText(), folder + "x_log.ldf");
}

TEST_F(LinuxHost, AHelperConnectionCutMidListingIsReportedAndATypedPathStillWorks) {
    CuttingProxy proxy(server.port());
    connectAs(QStringLiteral("sa"), kPassword, proxy.port());
    // The relay cannot read the encrypted requests, only count them: once the helper
    // connection is open and has listed, its next request is the next listing's first.
    clickWithDialog("C_FMdf", [&](Dialog& dialog) { dialog.cancel(); });
    proxy.cutOnRequest(1);
    clickWithDialog("C_FMdf", [&](Dialog& dialog) {
        EXPECT_TRUE(proxy.hasCut());
        EXPECT_TRUE(dialog.notice().startsWith(QStringLiteral("与数据库服务器的浏览连接已断开：")))
            << dialog.notice().toStdString();
        dialog.type(serverPath("data/Shop.mdf"));
        EXPECT_TRUE(dialog.accepted());
    });
    EXPECT_EQ(window.statusText(), "数据库文件选择成功");
    EXPECT_EQ(control<QPlainTextEdit>("T_Mdf")->toPlainText(), serverPath("data/Shop.mdf"));
    // The next dialog logs in afresh and lists again.
    proxy.cutOnRequest(0);
    clickWithDialog("C_FLdf", [&](Dialog& dialog) {
        EXPECT_EQ(dialog.notice(), "");
        EXPECT_TRUE(dialog.shown().contains(QStringLiteral("Shop_log.ldf")));
        dialog.cancel();
    });
    EXPECT_EQ(window.statusText(), kCancelled);
}

TEST_F(LinuxHost, ShowsWhatABackupHoldsAndAsksBeforeABackupOverwritesAFile) {
    {
        OdbcConnection setup;
        setup.open(login(QStringLiteral("sa"), kPassword, server.port()));
        setup.execute(QStringLiteral("CREATE DATABASE Sales"));
        setup.execute(QStringLiteral("BACKUP DATABASE Sales TO DISK = '") +
                      serverPath("samples/Sales.bak") + u'\'');
        setup.execute(QStringLiteral("BACKUP LOG Sales TO DISK = '") +
                      serverPath("samples/SalesLog.bak") + u'\'');
        setup.execute(QStringLiteral("CREATE DATABASE Big ON (NAME = Big, FILENAME = '") +
                      serverPath("data/Big.mdf") +
                      QStringLiteral("'), (NAME = Big2, FILENAME = '") +
                      serverPath("data/Big2.ndf") +
                      QStringLiteral("') LOG ON (NAME = Big_log, "
                                     "FILENAME = '") +
                      serverPath("data/Big_log.ldf") + QStringLiteral("')"));
        setup.execute(QStringLiteral("BACKUP DATABASE Big TO DISK = '") +
                      serverPath("samples/Big.bak") + u'\'');
    }
    std::ofstream(server.root() / "samples" / "notes.bak") << "not a backup\n";
    const QString shopBak = serverPath("samples/Shop.bak");
    const QString salesBak = serverPath("samples/Sales.bak");
    connectAsSa();

    select(QStringLiteral("Shop"));
    confirmNextPrompt();
    clickWithDialog("c_Restore", [&](Dialog& dialog) {
        dialog.goUp();
        dialog.open(QStringLiteral("samples"));
        const QString shop = dialog.preview(QStringLiteral("Shop.bak"));
        for (const QString& line :
             {QStringLiteral("数据库：Shop"), QStringLiteral("备份类型：完整备份"),
              QStringLiteral("服务器：DEVSERVER"), QStringLiteral("恢复模式：SIMPLE"),
              QStringLiteral("备份集：文件中有 1 个，恢复使用第 1 个"),
              QStringLiteral("  Shop_log → ") + serverPath("data/Shop_log.ldf")}) {
            EXPECT_TRUE(shop.contains(line)) << line.toStdString() << "\n" << shop.toStdString();
        }
        EXPECT_TRUE(shop.contains(QStringLiteral("开始时间：20"))) << shop.toStdString();
        EXPECT_EQ(dialog.warnings(), "");

        dialog.preview(QStringLiteral("Sales.bak"));
        EXPECT_EQ(dialog.warnings(), "注意：这是数据库 Sales 的备份，不是所选的 Shop。");
        EXPECT_TRUE(dialog.preview(QStringLiteral("SalesLog.bak"))
                        .contains(QStringLiteral("备份类型：事务日志备份")));
        EXPECT_EQ(dialog.warnings(),
                  "注意：这是数据库 Sales 的备份，不是所选的 Shop。\n"
                  "注意：这不是完整备份，不能单独用来恢复。");
        EXPECT_TRUE(dialog.preview(QStringLiteral("notes.bak"))
                        .startsWith(QStringLiteral("服务器无法读取该备份文件：The media family on "
                                                   "device '") +
                                    serverPath("samples/notes.bak") +
                                    QStringLiteral("' is incorrectly formed.")));
        // A newer selection wins over a read still under way.
        dialog.select(QStringLiteral("Sales.bak"));
        EXPECT_TRUE(
            dialog.preview(QStringLiteral("Shop.bak")).contains(QStringLiteral("数据库：Shop")));
        EXPECT_EQ(dialog.warnings(), "");
        pressReturn(dialog.fileName());
        EXPECT_TRUE(dialog.accepted());
    });
    EXPECT_EQ(window.statusText(), "恢复数据库成功");

    select(QStringLiteral("Shop"));
    confirmNextPrompt();
    clickWithDialog("c_Restore_B", [&](Dialog& dialog) {
        EXPECT_EQ(dialog.location(), serverFolder("samples"));
        // The name kept from the restore is selected, and previewed at once.
        EXPECT_TRUE(dialog.previewed().contains(QStringLiteral("数据库：Shop")));
        dialog.preview(QStringLiteral("Big.bak"));
        EXPECT_EQ(dialog.warnings(),
                  "注意：这是数据库 Big 的备份，不是所选的 Shop。\n"
                  "注意：备份中有 3 个文件，强制恢复需要 2 个，将被拒绝。");
        dialog.cancel();
    });
    EXPECT_EQ(window.statusText(), kCancelled);

    select(QStringLiteral("Shop"));
    clickWithDialog("c_BackUp", [&](Dialog& dialog) {
        QString asked;
        whenShown<QMessageBox>([&asked](QMessageBox* question) {
            asked = question->text();
            EXPECT_EQ(question->defaultButton(), question->button(QMessageBox::No));
            EXPECT_EQ(question->button(QMessageBox::Yes)->text(), "是(&Y)");
            EXPECT_EQ(question->button(QMessageBox::No)->text(), "否(&N)");
            question->button(QMessageBox::No)->click();
        });
        dialog.type(QStringLiteral("Sales.bak"));
        EXPECT_TRUE(dialog.visibleAfterCheck());
        EXPECT_TRUE(asked.contains(QStringLiteral("WITH FORMAT"))) << asked.toStdString();
        EXPECT_TRUE(asked.contains(QStringLiteral("· 数据库 Sales，20"))) << asked.toStdString();
        whenShown<QMessageBox>(
            [](QMessageBox* question) { question->button(QMessageBox::Yes)->click(); });
        pressReturn(dialog.fileName());
        EXPECT_TRUE(dialog.acceptedAfterCheck());
    });
    EXPECT_EQ(window.statusText(), "备份数据库成功");

    EXPECT_EQ(ownSessionTexts(), (QStringList{kCatalogue, evictionBatch(QStringLiteral("'Shop'")),
                                              QStringLiteral("Restore Database Shop From disk='") +
                                                  shopBak + QStringLiteral("' "),
                                              kCatalogue,
                                              QStringLiteral("Backup Database Shop To disk='") +
                                                  salesBak + QStringLiteral("' WITH FORMAT "),
                                              kCatalogue}));
    // The helper connection only read: the server's properties, folders and backup headers.
    const QStringList own = ownSessionTexts();
    int headersRead = 0;
    for (const auto& batch : server.readLog()) {
        const QString sql = QString::fromStdString(batch.sql);
        if (own.contains(sql) || sql.startsWith(QStringLiteral("CREATE ")) ||
            sql.startsWith(QStringLiteral("BACKUP ")) || sql.startsWith(QStringLiteral("ALTER "))) {
            continue;  // the tool's own session, and this test's setting up
        }
        headersRead += sql.startsWith(QStringLiteral("RESTORE HEADERONLY FROM DISK = N'")) ? 1 : 0;
        EXPECT_TRUE(sql.startsWith(QStringLiteral("SELECT ")) ||
                    sql.startsWith(QStringLiteral("RESTORE HEADERONLY ")) ||
                    sql.startsWith(QStringLiteral("RESTORE FILELISTONLY ")))
            << sql.toStdString();
    }
    EXPECT_GE(headersRead, 6);
}

}  // namespace

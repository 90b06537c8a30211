#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>

#include "FakeConnection.h"
#include "QtPrinters.h"
#include "app/ErrorPath.h"
#include "app/FMain.h"
#include "app/Prompts.h"

namespace {

class ScriptedPrompts : public Prompts {
  public:
    QStringList answers;
    QList<ChosenFile> files;
    QString askTypedConfirmation(const QString&, const QString&) override {
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    ChosenFile chooseFile(const QString&, FileDialogMode) override {
        if (files.isEmpty()) {
            throw Error(QStringLiteral("已取消选择文件"));
        }
        return files.takeFirst();
    }
    bool confirmCertificate(const UntrustedCertificate&) override { return false; }
};

struct Window : ::testing::Test {
    FakeConnection* fake = nullptr;
    int created = 0;
    int closed = 0;
    std::optional<QString> nextOpenError;
    ScriptedPrompts* prompts = new ScriptedPrompts;
    FMain window{[this] {
                     auto conn = std::make_unique<FakeConnection>();
                     fake = conn.get();
                     fake->openError = nextOpenError;
                     fake->onClose = [this] { ++closed; };
                     fake->answer("SELECT name", column("name", {"Shop", "Sales"}));
                     ++created;
                     return conn;
                 },
                 std::unique_ptr<Prompts>(prompts)};

    template <typename W>
    W* control(const char* name) {
        auto* widget = window.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(const char* name) { control<QPushButton>(name)->click(); }
    bool usable(const char* name) { return control<QWidget>(name)->isEnabled(); }
};

TEST_F(Window, StartsDisconnectedAskingForAConnection) {
    EXPECT_EQ(window.windowTitle(), "附加数据库");
    EXPECT_EQ(window.size(), QSize(589, 492));
    EXPECT_EQ(window.statusText(), "请连接数据库");
    EXPECT_EQ(control<QComboBox>("C_LoginStyle")->currentIndex(), 0);
    EXPECT_EQ(control<QComboBox>("C_LoginStyle")->itemText(0), "WINDWOS身份验证");
    EXPECT_EQ(control<QComboBox>("C_LoginStyle")->itemText(1), "SQL身份验证");
    EXPECT_EQ(control<QLineEdit>("T_Ip")->text(), "127.0.0.1,1433");
    EXPECT_EQ(control<QLineEdit>("T_User")->text(), "sa");
    EXPECT_EQ(control<QLineEdit>("T_Pwd")->echoMode(), QLineEdit::Normal);
    for (const char* off : {"T_User", "T_Pwd", "C_UnLink", "F_A", "F_B"}) {
        EXPECT_FALSE(usable(off)) << off;
    }
    // Nothing inside the frames can be used before a connection is open.
    for (const char* inside :
         {"T_DbName", "C_FMdf", "C_Add", "C_DbList", "C_Clear", "c_Restore_B"}) {
        EXPECT_FALSE(usable(inside)) << inside;
    }
    EXPECT_TRUE(usable("C_Link"));
    EXPECT_EQ(created, 0);
}

TEST_F(Window, ControlsStandWhereTheLayoutPutsThem) {
    EXPECT_EQ(control<QLineEdit>("T_Ip")->geometry(), QRect(96, 8, 177, 25));
    EXPECT_EQ(control<QComboBox>("C_LoginStyle")->geometry(), QRect(280, 8, 137, 20));
    EXPECT_EQ(control<QStatusBar>("StatusBar")->geometry(), QRect(0, 467, 589, 25));
    EXPECT_EQ(control<QGroupBox>("F_B")->geometry(), QRect(8, 328, 569, 129));
    EXPECT_EQ(control<QComboBox>("C_DbList")->parentWidget()->objectName(), "F_B");
    EXPECT_EQ(control<QComboBox>("C_DbList")->geometry(), QRect(80, 16, 369, 20));
    EXPECT_EQ(control<QPlainTextEdit>("T_Mdf")->parentWidget()->objectName(), "F_A");
    EXPECT_EQ(control<QPushButton>("c_Restore_B")->text(), "强制恢复数据库");
}

TEST_F(Window, TabWalksTheControlsInTheirOrder) {
    QStringList order;
    QWidget* w = control<QWidget>("T_Ip");
    for (int i = 0; i < 6; ++i) {
        order << w->objectName();
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || w->objectName().isEmpty()) {
            w = w->nextInFocusChain();
        }
    }
    EXPECT_EQ(order, (QStringList{"T_Ip", "T_User", "T_Pwd", "C_Link", "C_UnLink", "T_Mdf"}));
}

TEST_F(Window, LoginStyleSwitchKeepsWhatWasTyped) {
    auto* style = control<QComboBox>("C_LoginStyle");
    style->setCurrentIndex(1);
    EXPECT_TRUE(usable("T_User"));
    EXPECT_TRUE(usable("T_Pwd"));
    control<QLineEdit>("T_Pwd")->setText("pw;x");
    style->setCurrentIndex(0);
    EXPECT_FALSE(usable("T_User"));
    EXPECT_FALSE(usable("T_Pwd"));
    EXPECT_EQ(control<QLineEdit>("T_Pwd")->text(), "pw;x");
}

TEST_F(Window, ConnectAndDisconnectSwitchTheControlSets) {
    click("C_Link");
    EXPECT_EQ(window.statusText(), "数据库连接成功");
    for (const char* off : {"C_LoginStyle", "C_Link"}) {
        EXPECT_FALSE(usable(off)) << off;
    }
    for (const char* on : {"C_UnLink", "F_A", "F_B", "C_DbList", "T_DbName"}) {
        EXPECT_TRUE(usable(on)) << on;
    }
    auto* list = control<QComboBox>("C_DbList");
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_FALSE(usable("T_Mdf"));  // filled by its button only

    click("C_UnLink");
    EXPECT_EQ(window.statusText(), "断开成功");
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(usable("F_B"));
    EXPECT_TRUE(usable("C_Link"));
}

TEST_F(Window, RefusedConnectShowsTheReasonAndStaysUsable) {
    nextOpenError = "Login failed for user 'sa'.";
    click("C_Link");
    EXPECT_EQ(window.statusText(), "Login failed for user 'sa'.");
    EXPECT_TRUE(usable("C_Link"));
    EXPECT_FALSE(usable("F_B"));
    fake->openError.reset();
    click("C_Link");
    EXPECT_EQ(window.statusText(), "数据库连接成功");
}

TEST_F(Window, ClosingTheWindowClosesAnOpenConnection) {
    window.close();
    EXPECT_EQ(created, 0);  // closing while disconnected touches no connection
    click("C_Link");
    window.close();
    EXPECT_EQ(closed, 1);
}

TEST_F(Window, OperationButtonsReachTheirHandlersThroughTheErrorPath) {
    click("C_Link");
    click("C_Clear");
    EXPECT_EQ(window.statusText(), "请选择数据库");

    auto* list = control<QComboBox>("C_DbList");
    list->setCurrentIndex(1);
    click("c_BackUp");  // no file scripted: the dialog is cancelled
    EXPECT_EQ(window.statusText(), "已取消选择文件");

    list->setCurrentIndex(0);
    prompts->files.append(ChosenFile{"D:\\bak\\shop.bak", "shop.bak"});
    fake->calls.clear();
    click("c_BackUp");
    EXPECT_EQ(window.statusText(), "备份数据库成功");
    ASSERT_FALSE(fake->calls.isEmpty());
    EXPECT_EQ(fake->calls[0].sql, "Backup Database Shop To disk='D:\\bak\\shop.bak' WITH FORMAT ");
    EXPECT_EQ(list->currentIndex(), -1);
}

TEST_F(Window, ChoosingADataFileFillsTheAttachBoxes) {
    click("C_Link");
    prompts->files.append(ChosenFile{"D:\\data\\Sales_Data.MDF", "Sales_Data.MDF"});
    click("C_FMdf");
    EXPECT_EQ(window.statusText(), "数据库文件选择成功");
    EXPECT_EQ(control<QPlainTextEdit>("T_Mdf")->toPlainText(), "D:\\data\\Sales_Data.MDF");
    EXPECT_EQ(control<QLineEdit>("T_DbName")->text(), "Sales");
}

}  // namespace

namespace {

TEST(ErrorPath, ShowsTheDescriptionOfWhateverEndsTheHandler) {
    QStringList shown;
    const auto show = [&shown](const QString& text) { shown << text; };
    runWithErrorPath(show,
                     [] { throw DatabaseError(QStringLiteral("Login failed for user 'sa'.")); });
    runWithErrorPath(show, [] { throw std::runtime_error("无法分配内存"); });
    runWithErrorPath(show, [] {});
    EXPECT_EQ(shown, (QStringList{"Login failed for user 'sa'.", "无法分配内存"}));
}

}  // namespace

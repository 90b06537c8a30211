// The window's Windows login (“WINDWOS身份验证”) end to end: FreeTDS forms the service
// principal, gets a ticket from the private realm's KDC and logs in with Kerberos; the
// server names the session after the Windows login.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <chrono>

#include "RealmFixture.h"
#include "app/FMain.h"
#include "app/Prompts.h"
#include "common/OperatorTexts.h"
#include "session/Connection.h"
#include "session/ConnectionString.h"
#include "session/OdbcConnection.h"
#include "session/ResultSet.h"
#include "support/QtPrinters.h"

namespace {

const QString kConnected = QStringLiteral("数据库连接成功");

// Answers the file dialogs with the files the test names.
class ChosenFiles : public Prompts {
  public:
    QList<ChosenFile> files;
    QString askTypedConfirmation(const QString& /*prompt*/, const QString& /*title*/) override {
        return {};
    }
    ChosenFile chooseFile(const QString& /*filter*/, FileDialogMode /*mode*/) override {
        return files.takeFirst();
    }
    bool confirmCertificate(const UntrustedCertificate&) override { return false; }
};

struct WindowsLogin : RealmFixture {
    ChosenFiles* prompts = new ChosenFiles;
    FMain window{makeOdbcConnection, std::unique_ptr<Prompts>(prompts)};

    void SetUp() override {
        RealmFixture::SetUp();
        if (IsSkipped()) {
            return;
        }
        OdbcConnection setup;
        setup.open(connection_string::compose(connection_string::LoginStyle::SqlServer, "sa", "",
                                              address(server->port())));
        setup.execute("CREATE DATABASE Shop");
        setup.execute("CREATE DATABASE Sales");
    }

    static QString address(int port) { return QStringLiteral("127.0.0.1,%1").arg(port); }
    template <typename W>
    W* control(const char* name) {
        return window.findChild<W*>(QString::fromLatin1(name));
    }
    void click(const char* name) { control<QPushButton>(name)->click(); }
    // The Windows style, as the window starts: no user, no password.
    void connectTo(int port) {
        control<QComboBox>("C_LoginStyle")->setCurrentIndex(0);
        control<QLineEdit>("T_Ip")->setText(address(port));
        click("C_Link");
    }
    bool refusedAndStillUsable() {
        return control<QPushButton>("C_Link")->isEnabled() &&
               !control<QPushButton>("C_UnLink")->isEnabled();
    }
    QStringList listed() {
        QStringList names;
        auto* list = control<QComboBox>("C_DbList");
        for (int i = 0; i < list->count(); ++i) {
            names << list->itemText(i);
        }
        return names;
    }
};

}  // namespace

TEST_F(WindowsLogin, ConnectsListsDetachesAndAttachesAsTheWindowsLogin) {
    connectTo(server->port());
    ASSERT_EQ(window.statusText(), kConnected);
    EXPECT_EQ(listed(), (QStringList{"Shop", "Sales"}));
    EXPECT_EQ(window.connection().query("SELECT SUSER_SNAME()").field(0, 0), "DBTOOL.TEST\\alice");
    EXPECT_EQ(window.connection()
                  .query("SELECT login_name FROM sys.dm_exec_sessions WHERE session_id = @@SPID")
                  .field(0, 0),
              "DBTOOL.TEST\\alice");

    auto* list = control<QComboBox>("C_DbList");
    list->setCurrentIndex(list->findText("Shop"));
    click("C_Clear");
    ASSERT_EQ(window.statusText(), "数据库分离成功");
    EXPECT_EQ(listed(), QStringList{"Sales"});

    const QString folder = QString::fromStdString(server->dataDir().string());
    prompts->files = {{folder + "/Shop.mdf", "Shop.mdf"},
                      {folder + "/Shop_log.ldf", "Shop_log.ldf"}};
    click("C_FMdf");
    click("C_FLdf");
    click("C_Add");
    ASSERT_EQ(window.statusText(), "数据库符加成功");
    EXPECT_EQ(listed(), (QStringList{"Shop", "Sales"}));  // by database id: 5 was free again

    // Every batch of the window's session, as the server logged it, came from alice.
    int windowsBatches = 0;
    bool detached = false;
    bool attached = false;
    for (const auto& batch : server->readLog()) {
        if (batch.login == "sa") {
            continue;  // the set-up
        }
        EXPECT_EQ(batch.login, "DBTOOL.TEST\\alice") << batch.sql;
        ++windowsBatches;
        detached = detached || batch.sql.find("sp_detach_db") != std::string::npos;
        attached = attached || batch.sql.find("sp_attach_db") != std::string::npos;
    }
    EXPECT_GT(windowsBatches, 4);
    EXPECT_TRUE(detached);
    EXPECT_TRUE(attached);
}

// Failures on the client's side, before the server hears of them. The driver words them as
// it words a server that cannot encrypt, so the status line names both; the window stays
// usable, and the next attempt works once the cause is gone.
TEST_F(WindowsLogin, NoTicketKdcDownAndUnknownServiceEachShowADescription) {
    realm->logOut();
    connectTo(server->port());
    EXPECT_EQ(window.statusText(), texts::kWindowsLoginOrEncryptionRefused);
    EXPECT_TRUE(refusedAndStillUsable());

    realm->logIn(kAlice);
    realm->stopKdc();  // alice has her ticket-granting ticket, but no service ticket yet
    const auto started = std::chrono::steady_clock::now();
    connectTo(server->port());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_EQ(window.statusText(), texts::kWindowsLoginOrEncryptionRefused);
    EXPECT_TRUE(refusedAndStillUsable());

    realm->startKdc();
    DevServerProcess unregistered;  // no MSSQLSvc principal for its port
    connectTo(unregistered.port());
    EXPECT_EQ(window.statusText(), texts::kWindowsLoginOrEncryptionRefused);
    EXPECT_TRUE(refusedAndStillUsable());

    connectTo(server->port());
    EXPECT_EQ(window.statusText(), kConnected);
}

TEST_F(WindowsLogin, APrincipalWithoutALoginIsRefusedWith18456) {
    realm->logIn(kBob);
    connectTo(server->port());
    EXPECT_EQ(window.statusText(), "Login failed for user 'DBTOOL.TEST\\bob'.");
    EXPECT_TRUE(refusedAndStillUsable());

    realm->logIn(kAlice);
    connectTo(server->port());
    EXPECT_EQ(window.statusText(), kConnected);
}

#include <gtest/gtest.h>

#include "FakeConnection.h"
#include "QtPrinters.h"
#include "operations/ConnectionHandlers.h"
#include "operations/ConnectionSlot.h"
#include "operations/DbList.h"

namespace {

// Records every control change and status text in the order the handlers make them.
struct RecordingPanel : ConnectionPanel, DbListView {
    explicit RecordingPanel(ConnectionSlot& slot) : slot(slot) {}
    ConnectionSlot& slot;

    QString user = "sa", password, server = "127.0.0.1,1433";
    int style = 0;
    QStringList events;
    QStringList entries;

    QString userText() const override { return user; }
    QString passwordText() const override { return password; }
    QString serverText() const override { return server; }
    int loginStyleIndex() const override { return style; }
    void setUserEnabled(bool on) override { log("T_User", on); }
    void setPasswordEnabled(bool on) override { log("T_Pwd", on); }
    void setLoginStyleEnabled(bool on) override { log("C_LoginStyle", on); }
    void setConnectEnabled(bool on) override { log("C_Link", on); }
    void setDisconnectEnabled(bool on) override { log("C_UnLink", on); }
    void setAttachFrameEnabled(bool on) override { log("F_A", on); }
    void setOperationsFrameEnabled(bool on) override { log("F_B", on); }
    void showStatus(const QString& text) override { events << "status " + text; }
    void clearEntries() override {
        entries.clear();
        events << "list cleared";
    }
    void appendEntries(const QStringList& names) override { entries << names; }
    DbListView& databaseList() override { return *this; }
    Connection& connection() override { return slot.get(); }
    int connectionState() const override { return slot.state(); }
    void releaseConnection() override { slot.release(); }
    // The helper's login, kept apart from the control changes.
    QStringList sharedLogins;
    int withdrawals = 0;
    void shareLogin(const QString& connectionString) override { sharedLogins << connectionString; }
    void withdrawLogin() override { ++withdrawals; }
    bool confirmCertificate(const UntrustedCertificate&) override { return false; }

    void log(const char* control, bool on) {
        events << QString::fromLatin1(control) + (on ? " on" : " off");
    }
};

struct ConnectionHandlers : ::testing::Test {
    FakeConnection* fake = nullptr;
    int created = 0;
    ConnectionSlot slot{[this] {
        auto conn = std::make_unique<FakeConnection>();
        fake = conn.get();
        fake->answer("SELECT name", column("name", {"Shop", "Sales"}));
        ++created;
        return conn;
    }};
    RecordingPanel panel{slot};
};

TEST_F(ConnectionHandlers, LoginStyleEnablesUserAndPasswordOnlyForSqlLogins) {
    panel.style = 1;
    applyLoginStyle(panel);
    panel.style = 0;
    applyLoginStyle(panel);
    EXPECT_EQ(panel.events, (QStringList{"T_User on", "T_Pwd on", "T_User off", "T_Pwd off"}));
}

TEST_F(ConnectionHandlers, ConnectSwitchesToTheConnectedSetInOrderThenFillsTheList) {
    panel.style = 1;
    panel.password = "pw";
    connectToServer(panel);
    EXPECT_EQ(panel.events, (QStringList{"status 正在连接数据库，请稍后！", "C_LoginStyle off",
                                         "C_Link off", "C_UnLink on", "F_A on", "F_B on",
                                         "status 数据库连接成功", "list cleared"}));
    EXPECT_EQ(panel.entries, (QStringList{"Shop", "Sales"}));
    EXPECT_EQ(fake->lastConnectionString,
              "Persist Security Info=True;Provider=SQLOLEDB.1;User ID=sa;Password=pw;"
              "Data Source=127.0.0.1,1433;Initial Catalog=master");
    // The helper connection logs in as the session did, once the session is open.
    EXPECT_EQ(panel.sharedLogins, QStringList{fake->lastConnectionString});
}

TEST_F(ConnectionHandlers, WindowsStyleSendsNeitherUserNorPassword) {
    panel.password = "secret";
    connectToServer(panel);
    EXPECT_FALSE(fake->lastConnectionString.contains("sa;"));
    EXPECT_FALSE(fake->lastConnectionString.contains("secret"));
    EXPECT_TRUE(fake->lastConnectionString.contains("Integrated Security=SSPI"));
}

TEST_F(ConnectionHandlers, RefusedLoginLeavesTheDisconnectedSetAndALaterConnectWorks) {
    slot.get().open("warm-up");  // the slot's object exists; make the next open fail
    fake->close();
    fake->openError = "Login failed for user 'sa'.";
    panel.events.clear();
    EXPECT_THROW(connectToServer(panel), DatabaseError);
    EXPECT_EQ(panel.events, QStringList{"status 正在连接数据库，请稍后！"});
    EXPECT_EQ(slot.state(), Connection::Closed);
    EXPECT_TRUE(panel.sharedLogins.isEmpty());

    fake->openError.reset();
    connectToServer(panel);
    EXPECT_EQ(slot.state(), Connection::Open);
    EXPECT_TRUE(panel.events.contains("status 数据库连接成功"));
}

TEST_F(ConnectionHandlers, AFailingRefillAfterConnectLeavesTheConnectedSet) {
    slot.get();
    fake->fail("SELECT name", "Communication link failure");
    EXPECT_THROW(connectToServer(panel), DatabaseError);
    EXPECT_TRUE(panel.events.contains("F_B on"));
    EXPECT_EQ(slot.state(), Connection::Open);
}

TEST_F(ConnectionHandlers, DisconnectClosesReleasesSwitchesAndEmptiesTheList) {
    connectToServer(panel);
    panel.events.clear();
    disconnectFromServer(panel);
    EXPECT_FALSE(slot.exists());
    EXPECT_EQ(panel.withdrawals, 1);
    EXPECT_EQ(panel.events, (QStringList{"C_LoginStyle on", "C_Link on", "C_UnLink off", "F_A off",
                                         "F_B off", "status 断开成功", "list cleared"}));
    EXPECT_TRUE(panel.entries.isEmpty());

    connectToServer(panel);
    EXPECT_EQ(created, 2);  // a fresh object after the release
}

TEST_F(ConnectionHandlers, DisconnectWhileClosedTouchesNoConnection) {
    disconnectFromServer(panel);
    EXPECT_EQ(created, 0);
    closeConnection(panel);
    EXPECT_EQ(created, 0);
}

}  // namespace

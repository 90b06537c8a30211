// The window against a server that fails under it: dropped, killed mid-operation, ending
// the tool's own session, down at connect time, or never answering the login.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <future>

#include "CuttingProxy.h"
#include "app/FMain.h"
#include "common/OperatorTexts.h"
#include "session/ConnectionString.h"
#include "session/DatabaseError.h"
#include "session/OdbcConnection.h"
#include "support/DevServerProcess.h"
#include "support/QtPrinters.h"

namespace {

const QString kConnected = QStringLiteral("数据库连接成功");

struct WindowAgainstServer : ::testing::Test {
    DevServerProcess server;
    FMain window{makeOdbcConnection};

    WindowAgainstServer() {
        OdbcConnection setup;
        setup.open(login(server.port()));
        setup.execute("CREATE DATABASE Shop");
        setup.execute("CREATE DATABASE Sales");
    }

    static QString login(int port) {
        return connection_string::compose(connection_string::LoginStyle::SqlServer, "sa", "",
                                          QStringLiteral("127.0.0.1,%1").arg(port));
    }
    template <typename W>
    W* control(const char* name) {
        return window.findChild<W*>(QString::fromLatin1(name));
    }
    void connectTo(int port) {
        control<QComboBox>("C_LoginStyle")->setCurrentIndex(1);
        control<QLineEdit>("T_Pwd")->setText("");
        control<QLineEdit>("T_Ip")->setText(QStringLiteral("127.0.0.1,%1").arg(port));
        control<QPushButton>("C_Link")->click();
    }
    void detach(const QString& name) {
        auto* list = control<QComboBox>("C_DbList");
        list->setCurrentIndex(list->findText(name));
        control<QPushButton>("C_Clear")->click();
    }
    void reconnect(int port) {
        control<QPushButton>("C_UnLink")->click();
        EXPECT_EQ(window.statusText(), "断开成功");
        connectTo(port);
        EXPECT_EQ(window.statusText(), kConnected);
    }
    bool stillUsable() {
        return control<QPushButton>("C_UnLink")->isEnabled() &&
               control<QComboBox>("C_DbList")->isEnabled();
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

TEST_F(WindowAgainstServer, AServerThatWentAwayFailsTheNextOperationUntilReconnected) {
    connectTo(server.port());
    ASSERT_EQ(window.statusText(), kConnected);
    server.stop();
    detach("Shop");
    EXPECT_NE(window.statusText(), kConnected);
    EXPECT_NE(window.statusText(), "数据库分离成功");
    EXPECT_FALSE(window.statusText().isEmpty());
    EXPECT_TRUE(stillUsable());

    server.restart();
    reconnect(server.port());
    EXPECT_EQ(listed(), (QStringList{"Shop", "Sales"}));
}

TEST_F(WindowAgainstServer, AServerKilledDuringAnOperationLeavesTheWindowUsable) {
    CuttingProxy proxy(server.port());
    connectTo(proxy.port());
    ASSERT_EQ(window.statusText(), kConnected);
    proxy.cutOnRequest(2);  // the eviction batch goes through, the detach statement does not
    detach("Shop");
    EXPECT_TRUE(proxy.hasCut());
    EXPECT_FALSE(window.statusText().isEmpty());
    EXPECT_NE(window.statusText(), "数据库分离成功");
    EXPECT_TRUE(stillUsable());
    server.stop();

    server.restart();
    proxy.setServerPort(server.port());
    proxy.cutOnRequest(0);
    reconnect(proxy.port());
    // The detach never reached the server.
    EXPECT_EQ(listed(), (QStringList{"Shop", "Sales"}));
    bool evicted = false;
    for (const auto& batch : server.readLog()) {
        EXPECT_EQ(batch.sql.find("sp_detach_db"), std::string::npos);
        evicted = evicted || batch.sql.find("sysprocesses") != std::string::npos;
    }
    EXPECT_TRUE(evicted);
}

TEST_F(WindowAgainstServer, AServerThatCannotEncryptIsRefusedAndTheWindowStaysUsable) {
    DevServerProcess clearOnly(
        DevServerProcess::Options{.saPassword = "", .extraArguments = {"--encryption", "off"}});
    connectTo(clearOnly.port());
    EXPECT_EQ(window.statusText(), texts::kServerCannotEncrypt);
    EXPECT_TRUE(control<QPushButton>("C_Link")->isEnabled());
    EXPECT_TRUE(control<QComboBox>("C_LoginStyle")->isEnabled());
    EXPECT_FALSE(control<QPushButton>("C_UnLink")->isEnabled());
    EXPECT_TRUE(clearOnly.readLog().empty());

    // The same window then connects to a server that encrypts.
    connectTo(server.port());
    EXPECT_EQ(window.statusText(), kConnected);
    EXPECT_EQ(listed(), (QStringList{"Shop", "Sales"}));
}

TEST_F(WindowAgainstServer, TheToolsOwnSessionEndedByAnotherClient) {
    connectTo(server.port());
    const QString spid = window.connection().query("SELECT @@SPID").field(0, 0);
    OdbcConnection other;
    other.open(login(server.port()));
    other.execute("KILL " + spid);

    detach("Shop");
    EXPECT_NE(window.statusText(), "数据库分离成功");
    EXPECT_FALSE(window.statusText().isEmpty());
    EXPECT_TRUE(stillUsable());
    reconnect(server.port());
    detach("Shop");
    EXPECT_EQ(window.statusText(), "数据库分离成功");
    EXPECT_EQ(listed(), QStringList{"Sales"});
}

TEST_F(WindowAgainstServer, ConnectingWhileTheServerIsDownAndAgainOnceItIsUp) {
    const int port = server.port();
    server.stop();
    connectTo(port);
    EXPECT_NE(window.statusText(), kConnected);
    EXPECT_NE(window.statusText(), "正在连接数据库，请稍后！");
    EXPECT_TRUE(control<QPushButton>("C_Link")->isEnabled());
    EXPECT_FALSE(control<QComboBox>("C_DbList")->isEnabled());

    server.restart();
    connectTo(server.port());
    EXPECT_EQ(window.statusText(), kConnected);
}

// Accepts connections and never says a word.
class SilentServer {
  public:
    SilentServer() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 4);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer() { close(listener_); }
    int port() const { return port_; }
    int acceptOne() { return accept(listener_, nullptr, nullptr); }

  private:
    int listener_ = -1;
    int port_ = 0;
};

// The tool sets no time-out of its own: the login waits while the server is silent and
// fails with a description once the server hangs up.
TEST(SilentServerLogin, WaitsWhileTheServerIsSilentAndFailsWhenItHangsUp) {
    SilentServer silent;
    auto attempt = std::async(std::launch::async, [port = silent.port()] {
        OdbcConnection conn;
        try {
            conn.open(WindowAgainstServer::login(port));
        } catch (const DatabaseError& error) {
            return error.description();
        }
        return QString();
    });
    const int accepted = silent.acceptOne();
    EXPECT_EQ(attempt.wait_for(std::chrono::milliseconds(1500)), std::future_status::timeout);
    close(accepted);
    ASSERT_EQ(attempt.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_FALSE(attempt.get().isEmpty());
}

// A Connect Timeout, which only the helper connection asks for, ends a login that the
// server never answers.
TEST(SilentServerLogin, AConnectTimeoutEndsTheWait) {
    SilentServer silent;
    auto attempt = std::async(std::launch::async, [port = silent.port()] {
        OdbcConnection conn;
        try {
            conn.open(WindowAgainstServer::login(port) + ";Connect Timeout=1");
        } catch (const DatabaseError& error) {
            return error.description();
        }
        return QString();
    });
    const int accepted = silent.acceptOne();
    const bool ended = attempt.wait_for(std::chrono::seconds(15)) == std::future_status::ready;
    close(accepted);
    ASSERT_TRUE(ended);
    EXPECT_FALSE(attempt.get().isEmpty());
}

}  // namespace

// The access layer through unixODBC and the FreeTDS driver against the development server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "common/OperatorTexts.h"
#include "session/ConnectionString.h"
#include "session/DatabaseError.h"
#include "session/OdbcConnection.h"
#include "support/CatalogueQuery.h"
#include "support/DevServerProcess.h"
#include "support/QtPrinters.h"
#include "support/RecordingRelay.h"

namespace {

using connection_string::compose;
using connection_string::LoginStyle;

QString serverAddress(int port) {
    return QStringLiteral("127.0.0.1,%1").arg(port);
}

QString sqlLogin(int port, const QString& user, const QString& password) {
    return compose(LoginStyle::SqlServer, user, password, serverAddress(port));
}

QString describeFailure(OdbcConnection& conn, const QString& connectionString) {
    try {
        conn.open(connectionString);
    } catch (const Error& error) {
        return error.description();
    }
    return {};
}

TEST(AccessLayer, QueriesComeBackWholeWithNamesPositionsAndUnicode) {
    DevServerProcess server;
    OdbcConnection conn;
    conn.open(sqlLogin(server.port(), "sa", ""));
    ASSERT_EQ(conn.state(), Connection::Open);
    conn.execute("CREATE DATABASE Shop");
    conn.execute("CREATE DATABASE [销售 库]");
    const ResultSet rows = conn.query(tdstest::kCatalogueQuery);
    ASSERT_EQ(rows.rowCount(), 2);
    EXPECT_EQ(rows.field(0, "name"), "Shop");
    EXPECT_EQ(rows.field(1, 0), "销售 库");

    const ResultSet files =
        conn.query("SELECT TOP 2 FILEID,NAME,FILENAME FROM Shop.dbo.sysfiles ORDER BY FILEID ASC ");
    ASSERT_EQ(files.rowCount(), 2);
    EXPECT_EQ(files.field(1, "NAME"), "Shop_log");
    // nvarchar(260): the path comes back as it is, unpadded.
    EXPECT_TRUE(files.field(0, "FILENAME").endsWith("Shop.mdf"));
}

TEST(AccessLayer, ServerErrorsCarryTheServersOwnTextAndMessagesAreNoErrors) {
    DevServerProcess server;
    OdbcConnection conn;
    conn.open(sqlLogin(server.port(), "sa", ""));
    try {
        conn.execute("DROP DATABASE Nowhere");
        FAIL() << "no error";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.description(),
                  "Cannot drop the database 'Nowhere', because it does not exist or you do not "
                  "have permission.");
    }
    // An error of a later statement surfaces only while the batch is drained.
    conn.execute("CREATE DATABASE A");
    EXPECT_THROW(conn.execute("SELECT @@SPID\r\nDROP DATABASE Nowhere"), DatabaseError);
    // BACKUP reports its progress as informational messages, which are not failures.
    const std::string bak = (server.dataDir() / "a.bak").string();
    conn.execute(QStringLiteral("BACKUP DATABASE A TO DISK='%1' WITH FORMAT").arg(bak.c_str()));
    EXPECT_TRUE(std::filesystem::exists(bak));
    // The connection is still usable after all of that.
    EXPECT_EQ(conn.query("SELECT @@SPID").rowCount(), 1);
}

// Each password holds characters that the connection string's or the driver's syntax uses.
TEST(AccessLayer, HostilePasswordsReachTheServerUnchanged) {
    for (const QString password : {"a;b", "x=y;Database=tempdb", "it's", "say \"hi\"", "{braced}",
                                   "}", "p;w}", "口令;={}"}) {
        DevServerProcess server(DevServerProcess::Options{password.toStdString(), 0});
        OdbcConnection conn;
        EXPECT_EQ(describeFailure(conn, sqlLogin(server.port(), "sa", password)), "")
            << password.toStdString();
        EXPECT_EQ(conn.state(), Connection::Open) << password.toStdString();
        OdbcConnection wrong;
        EXPECT_EQ(describeFailure(wrong, sqlLogin(server.port(), "sa", password + "x")),
                  "Login failed for user 'sa'.");
    }
}

TEST(AccessLayer, APasswordTheDriverCannotCarryIsRefusedBeforeAnythingIsSent) {
    DevServerProcess server(DevServerProcess::Options{"x};y", 0});
    OdbcConnection conn;
    EXPECT_FALSE(describeFailure(conn, sqlLogin(server.port(), "sa", "x};y")).isEmpty());
    EXPECT_EQ(conn.state(), Connection::Closed);
}

TEST(AccessLayer, RefusedAndUnreachableConnectsLeaveItClosedAndALaterConnectWorks) {
    DevServerProcess server;
    const int port = server.port();
    OdbcConnection conn;
    // FreeTDS takes an empty login name for a Kerberos login, which fails on the client.
    EXPECT_FALSE(describeFailure(conn, sqlLogin(port, "", "")).isEmpty());
    EXPECT_EQ(conn.state(), Connection::Closed);
    EXPECT_EQ(describeFailure(conn, sqlLogin(port, "nobody", "")),
              "Login failed for user 'nobody'.");
    // Windows logins are refused by a server that has no domain to trust.
    EXPECT_FALSE(
        describeFailure(conn, compose(LoginStyle::Windows, "", "", serverAddress(port))).isEmpty());
    EXPECT_FALSE(
        describeFailure(conn, compose(LoginStyle::SqlServer, "sa", "", "no-such-host.invalid,1433"))
            .isEmpty());
    server.stop();
    EXPECT_FALSE(describeFailure(conn, sqlLogin(port, "sa", "")).isEmpty());
    EXPECT_EQ(conn.state(), Connection::Closed);
    EXPECT_THROW(conn.query("SELECT @@SPID"), DatabaseError);

    server.restart();
    conn.open(sqlLogin(server.port(), "sa", ""));
    EXPECT_EQ(conn.query("SELECT @@SPID").rowCount(), 1);
}

// A failed statement leaves the link usable; a link the
// server cut is told apart by its SQLSTATE class 08, ends the call at once, and the handles
// of the dead link are freed by close() so that the same object opens afresh.
TEST(AccessLayer, FailedStatementsAndDeadLinksAreToldApartByTheirSqlState) {
    DevServerProcess server;
    OdbcConnection conn;
    conn.open(sqlLogin(server.port(), "sa", ""));
    try {
        conn.execute("DROP DATABASE Nowhere");
        FAIL() << "no error";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.nativeError(), 3701);
        EXPECT_EQ(error.sqlState().size(), 5);
        EXPECT_FALSE(error.isConnectionFailure()) << error.sqlState().toStdString();
    }
    conn.execute("CREATE DATABASE AfterTheFailure");

    const QString spid = conn.query("SELECT @@SPID").field(0, 0);
    OdbcConnection other;
    other.open(sqlLogin(server.port(), "sa", ""));
    other.execute("KILL " + spid);
    for (int call = 0; call < 2; ++call) {
        try {
            conn.execute("SELECT @@SPID\r\nSELECT @@SPID");
            FAIL() << "no error on a killed session";
        } catch (const DatabaseError& error) {
            EXPECT_TRUE(error.isConnectionFailure())
                << call << " " << error.sqlState().toStdString();
        }
    }
    EXPECT_EQ(conn.state(), Connection::Open);  // nobody closed it yet
    conn.close();
    EXPECT_EQ(conn.state(), Connection::Closed);
    conn.open(sqlLogin(server.port(), "sa", ""));
    EXPECT_EQ(conn.query("SELECT @@SPID").rowCount(), 1);
}

TEST(AccessLayer, AServerThatCannotEncryptIsRefusedBeforeThePasswordIsSent) {
    DevServerProcess server(DevServerProcess::Options{.saPassword = "Never#Sent1",
                                                      .extraArguments = {"--encryption", "off"}});
    RecordingRelay relay(server.port());
    OdbcConnection conn;
    EXPECT_EQ(describeFailure(conn, sqlLogin(relay.port(), "sa", "Never#Sent1")),
              texts::kServerCannotEncrypt);
    EXPECT_EQ(conn.state(), Connection::Closed);
    EXPECT_FALSE(relay.sawLoginPassword(u"Never#Sent1"));
    EXPECT_FALSE(relay.recorded().empty());
    EXPECT_TRUE(server.readLog().empty());
}

// A data source that names a section of the operator's freetds.conf takes its CA file: the
// server's certificate is then checked, and one the CA file does not vouch for is refused.
// The servers' own certificates name no host, as SQL Server's own does not.
TEST(AccessLayer, ACaFileInAFreeTdsSectionChecksTheServersCertificate) {
    DevServerProcess server(DevServerProcess::Options{.ownCertificate = true});
    DevServerProcess stranger(DevServerProcess::Options{.ownCertificate = true});
    const auto conf = server.logPath().parent_path() / "freetds.conf";
    std::ofstream(conf) << "[trusted]\n\thost = 127.0.0.1\n\tport = " << server.port()
                        << "\n\tca file = " << (server.dataDir() / "tls-certificate.pem").string()
                        << "\n\tcheck certificate hostname = no"
                        << "\n[untrusted]\n\thost = 127.0.0.1\n\tport = " << server.port()
                        << "\n\tca file = " << (stranger.dataDir() / "tls-certificate.pem").string()
                        << "\n\tcheck certificate hostname = no\n";
    const char* previous = std::getenv("FREETDSCONF");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("FREETDSCONF", conf.c_str(), 1);

    OdbcConnection trusted;
    EXPECT_EQ(describeFailure(trusted, compose(LoginStyle::SqlServer, "sa", "", "trusted")), "");
    EXPECT_EQ(trusted.state(), Connection::Open);
    OdbcConnection untrusted;
    EXPECT_EQ(describeFailure(untrusted, compose(LoginStyle::SqlServer, "sa", "", "Untrusted")),
              texts::kEncryptionOrCertificateRefused);
    EXPECT_EQ(server.readLog().size(), 0u);

    if (previous != nullptr) {
        ::setenv("FREETDSCONF", saved.c_str(), 1);
    } else {
        ::unsetenv("FREETDSCONF");
    }
}

}  // namespace

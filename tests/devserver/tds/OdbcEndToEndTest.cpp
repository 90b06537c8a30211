// The devserver through the real client stack: unixODBC with the FreeTDS driver.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

#include "OdbcSession.h"
#include "support/CatalogueQuery.h"
#include "support/DevServerProcess.h"

using namespace tdstest;

namespace {

constexpr const char* kPassword = "Dev#Pass9";

DevServerProcess::Options withPassword(int seedDatabases = 0) {
    return DevServerProcess::Options{kPassword, seedDatabases};
}

std::vector<std::string> firstColumn(const ResultSet& result) {
    std::vector<std::string> values;
    for (const auto& row : result.rows) {
        values.push_back(row.at(0).value_or("<NULL>"));
    }
    return values;
}

bool contains(const std::vector<std::string>& values, const std::string& wanted) {
    return std::find(values.begin(), values.end(), wanted) != values.end();
}

}  // namespace

TEST(OdbcLogin, AcceptsSaAndLogsItsBatchesUnderItsSpid) {
    DevServerProcess server(withPassword());
    OdbcSession session(server.odbcConnectionString());
    int spid = std::stoi(session.scalar("SELECT @@SPID"));
    EXPECT_GE(spid, 51);
    auto log = server.readLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().spid, spid);
    EXPECT_EQ(log.back().sql, "SELECT @@SPID");
}

TEST(OdbcLogin, RefusesAWrongPasswordWith18456) {
    DevServerProcess server(withPassword());
    std::string wrong = server.odbcConnectionString();
    wrong.replace(wrong.find(kPassword), std::string(kPassword).size(), "not-it");
    try {
        OdbcSession session(wrong);
        FAIL() << "a wrong password was accepted";
    } catch (const OdbcFailure& failure) {
        bool found = std::any_of(
            failure.diagnostics.begin(), failure.diagnostics.end(), [](const Diagnostic& d) {
                return d.nativeError == 18456 &&
                       d.text.find("Login failed for user 'sa'.") != std::string::npos;
            });
        EXPECT_TRUE(found) << failure.what();
    }
    // The refused client did not disturb the server.
    OdbcSession session(server.odbcConnectionString());
    EXPECT_GE(std::stoi(session.scalar("SELECT @@SPID")), 51);
}

TEST(OdbcLogin, RefusesAMissingLoginDatabase) {
    DevServerProcess server(withPassword());
    try {
        OdbcSession session(server.odbcConnectionString("no_such_database"));
        FAIL() << "a login into a missing database was accepted";
    } catch (const OdbcFailure& failure) {
        bool found = std::any_of(
            failure.diagnostics.begin(), failure.diagnostics.end(),
            [](const Diagnostic& d) { return d.nativeError == 4060 || d.nativeError == 911; });
        EXPECT_TRUE(found) << failure.what();
    }
}

TEST(OdbcLogin, ServesEveryTdsVersionFrom71To74) {
    DevServerProcess server(withPassword());
    {
        OdbcSession setup(server.odbcConnectionString());
        setup.run("CREATE DATABASE [Versions Café]");
    }
    for (const char* version : {"7.1", "7.2", "7.3", "7.4"}) {
        SCOPED_TRACE(version);
        OdbcSession session(server.odbcConnectionString("master", version));
        EXPECT_GE(std::stoi(session.scalar("SELECT @@SPID")), 51);
        EXPECT_TRUE(contains(firstColumn(session.query(kCatalogueQuery)), "Versions Café"));
        auto steps = session.run("USE [no_such_db]");
        ASSERT_FALSE(steps.empty());
        EXPECT_EQ(steps[0].rc, SQL_ERROR);
        ASSERT_FALSE(steps[0].diagnostics.empty());
        EXPECT_EQ(steps[0].diagnostics[0].nativeError, 911);
    }
}

TEST(OdbcQueries, ReportsErrorsWithNumberStateAndText) {
    DevServerProcess server(withPassword());
    OdbcSession session(server.odbcConnectionString());
    auto steps = session.run("USE [no_such_db]");
    ASSERT_EQ(steps.at(0).rc, SQL_ERROR);
    const Diagnostic& error = steps[0].diagnostics.at(0);
    EXPECT_EQ(error.nativeError, 911);
    EXPECT_EQ(error.text,
              "[FreeTDS][SQL Server]Database 'no_such_db' does not exist. Make sure that the "
              "name is entered correctly.");
    EXPECT_NE(error.sqlState, "01000");

    auto unmodelled = session.run("DBCC CHECKDB");
    ASSERT_EQ(unmodelled.at(0).rc, SQL_ERROR);
    EXPECT_NE(unmodelled[0].diagnostics.at(0).text.find("development server"), std::string::npos)
        << unmodelled[0].diagnostics[0].text;
}

TEST(OdbcQueries, InformationalMessagesArriveAsSuccessWithInfo) {
    DevServerProcess server(withPassword());
    OdbcSession session(server.odbcConnectionString());
    auto steps = session.run("USE master");
    ASSERT_EQ(steps.at(0).rc, SQL_SUCCESS_WITH_INFO);
    const Diagnostic& info = steps[0].diagnostics.at(0);
    EXPECT_EQ(info.sqlState, "01000");
    EXPECT_EQ(info.nativeError, 5701);
    EXPECT_EQ(info.text, "[FreeTDS][SQL Server]Changed database context to 'master'.");
}

TEST(OdbcQueries, ASecondStatementsErrorSurfacesThroughMoreResults) {
    DevServerProcess server(withPassword());
    OdbcSession session(server.odbcConnectionString());
    auto steps = session.run("SELECT @@SPID\r\nUSE [no_such_db]");
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps[0].rc, SQL_SUCCESS);
    ASSERT_TRUE(steps[0].result.has_value());
    EXPECT_EQ(steps[0].result->rows.size(), 1u);
    EXPECT_EQ(steps[1].rc, SQL_ERROR);
    ASSERT_FALSE(steps[1].diagnostics.empty());
    EXPECT_EQ(steps[1].diagnostics[0].nativeError, 911);
    // The session is still usable afterwards.
    EXPECT_GE(std::stoi(session.scalar("SELECT @@SPID")), 51);
}

TEST(OdbcQueries, ChineseTextRoundTripsAndIsLoggedAsUtf8) {
    DevServerProcess server(withPassword());
    OdbcSession session(server.odbcConnectionString());
    const std::string create = "CREATE DATABASE [销售库]";
    auto steps = session.run(create);
    ASSERT_NE(steps.at(0).rc, SQL_ERROR) << steps[0].diagnostics.at(0).text;
    EXPECT_TRUE(contains(firstColumn(session.query(kCatalogueQuery)), "销售库"));
    EXPECT_EQ(session.scalar("SELECT TOP 1 dbid FROM SYSDATABASES WHERE NAME=N'销售库'"), "5");
    auto log = server.readLog();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                            [&](const auto& batch) { return batch.sql == create; }));
}

TEST(OdbcQueries, AResultLargerThanOnePacketArrivesWhole) {
    constexpr int kDatabases = 2000;  // far more than 4096 bytes of names
    DevServerProcess server(withPassword(kDatabases));
    OdbcSession session(server.odbcConnectionString());
    auto names = firstColumn(session.query(kCatalogueQuery));
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kDatabases));
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
}

TEST(OdbcQueries, TheLogHoldsEachBatchExactlyInArrivalOrder) {
    DevServerProcess server(withPassword());
    OdbcSession session(server.odbcConnectionString());
    const std::vector<std::string> batches = {"SET NOCOUNT ON", "SELECT @@SPID\r\n\tSELECT @@SPID",
                                              "SELECT 'it''s \"x\" \\ y'"};
    for (const auto& sql : batches) {
        session.run(sql);
    }
    auto log = server.readLog();
    ASSERT_EQ(log.size(), batches.size());
    for (std::size_t i = 0; i < batches.size(); ++i) {
        EXPECT_EQ(log[i].sql, batches[i]);
    }
}

TEST(OdbcSessions, KillEndsTheOtherSessionOnly) {
    DevServerProcess server(withPassword());
    OdbcSession killer(server.odbcConnectionString());
    OdbcSession victim(server.odbcConnectionString());
    std::string victimSpid = victim.scalar("SELECT @@SPID");
    std::string killerSpid = killer.scalar("SELECT @@SPID");
    ASSERT_NE(victimSpid, killerSpid);

    auto own = killer.run("KILL " + killerSpid);
    ASSERT_EQ(own.at(0).rc, SQL_ERROR);
    EXPECT_EQ(own[0].diagnostics.at(0).nativeError, 6104);

    auto steps = killer.run("KILL " + victimSpid);
    EXPECT_NE(steps.at(0).rc, SQL_ERROR);

    auto after = victim.run("SELECT @@SPID");
    EXPECT_EQ(after.at(0).rc, SQL_ERROR);
    EXPECT_EQ(killer.scalar("SELECT @@SPID"), killerSpid);

    auto unknown = killer.run("KILL " + victimSpid);
    ASSERT_EQ(unknown.at(0).rc, SQL_ERROR);
    EXPECT_EQ(unknown[0].diagnostics.at(0).nativeError, 6106);
}

TEST(OdbcSessions, TwoClientsAreServedAtOnce) {
    DevServerProcess server(withPassword());
    OdbcSession first(server.odbcConnectionString());
    OdbcSession second(server.odbcConnectionString());
    std::string firstSpid = first.scalar("SELECT @@SPID");
    std::string secondSpid = second.scalar("SELECT @@SPID");
    ASSERT_NE(firstSpid, secondSpid);

    std::atomic<int> mismatches{0};
    auto hammer = [&](OdbcSession& session, const std::string& spid) {
        for (int i = 0; i < 100; ++i) {
            try {
                if (session.scalar("SELECT @@SPID") != spid) {
                    ++mismatches;
                }
            } catch (const std::exception&) {
                ++mismatches;
            }
        }
    };
    std::thread a(hammer, std::ref(first), firstSpid);
    std::thread b(hammer, std::ref(second), secondSpid);
    a.join();
    b.join();
    EXPECT_EQ(mismatches, 0);
}

TEST(OdbcSessions, ARestartKeepsTheStateAndStopsCleanly) {
    DevServerProcess server(withPassword());
    {
        OdbcSession session(server.odbcConnectionString());
        auto steps = session.run("CREATE DATABASE KeepMe");
        ASSERT_NE(steps.at(0).rc, SQL_ERROR);
    }
    EXPECT_EQ(server.stop(), 0);  // SIGTERM ends it with exit code 0
    server.restart();
    OdbcSession session(server.odbcConnectionString());
    EXPECT_TRUE(contains(firstColumn(session.query(kCatalogueQuery)), "KeepMe"));
}

TEST(OdbcCancel, CancellingAfterAndDuringQueriesNeverHangs) {
    DevServerProcess server(withPassword(2000));
    OdbcSession session(server.odbcConnectionString());

    // After the first row of a large result: the rest is discarded, the session goes on.
    ASSERT_TRUE(SQL_SUCCEEDED(session.execute(kCatalogueQuery)));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLFetch(session.statement())));
    EXPECT_TRUE(SQL_SUCCEEDED(SQLCancel(session.statement())));
    EXPECT_GE(std::stoi(session.scalar("SELECT @@SPID")), 51);

    // Closing a statement with unread results sends an attention too.
    ASSERT_TRUE(SQL_SUCCEEDED(session.execute(kCatalogueQuery)));
    EXPECT_TRUE(SQL_SUCCEEDED(SQLFreeStmt(session.statement(), SQL_CLOSE)));
    EXPECT_GE(std::stoi(session.scalar("SELECT @@SPID")), 51);

    // With nothing running. FreeTDS answers this one itself, without a word to the server
    // (an "Unknown error" from 1.3), so only the session's health afterwards is the server's.
    SQLCancel(session.statement());
    EXPECT_GE(std::stoi(session.scalar("SELECT @@SPID")), 51);

    // Not tested: SQLCancel from a second thread while queries run. FreeTDS 1.3 races
    // there on its own: now and then it stops reading a reply that the server has sent
    // in full (the bytes sit unread in the client's socket), and the session times out.
    // The tool cancels nothing, from no thread.
    EXPECT_GE(std::stoi(session.scalar("SELECT @@SPID")), 51);
}

TEST(OdbcQueries, BackupListingsArriveInSqlServersTypesWithTheirValues) {
    DevServerProcess server(withPassword());
    OdbcSession session(server.odbcConnectionString());
    auto localNow = [] {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char text[20];
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
        return std::string(text);
    };
    const std::string bak = (server.dataDir() / "shop.bak").string();
    session.run("CREATE DATABASE Shop");
    const std::string before = localNow();
    session.run("BACKUP DATABASE Shop TO DISK = '" + bak + "' WITH COPY_ONLY");
    const std::string after = localNow();

    const ResultSet header = session.query("RESTORE HEADERONLY FROM DISK = '" + bak + "'");
    auto value = [&](const std::string& column) {
        const auto at = std::find(header.columns.begin(), header.columns.end(), column);
        EXPECT_NE(at, header.columns.end()) << column;
        return header.rows.at(0).at(at - header.columns.begin()).value_or("<NULL>");
    };
    ASSERT_EQ(header.rows.size(), 1u);
    // datetime, tinyint, bit and numeric as the driver decodes them.
    const std::string started = value("BackupStartDate");
    EXPECT_GE(started.substr(0, 19), before);
    EXPECT_LE(started.substr(0, 19), after);
    EXPECT_EQ(value("DeviceType"), "2");
    EXPECT_EQ(value("IsCopyOnly"), "1");
    EXPECT_EQ(value("DatabaseName"), "Shop");
    EXPECT_EQ(value("ExpirationDate"), "<NULL>");

    const ResultSet files = session.query("RESTORE FILELISTONLY FROM DISK = '" + bak + "'");
    long long bytes = 0;
    for (const auto& row : files.rows) {
        bytes += std::stoll(row.at(12).value_or("0"));  // BackupSizeInBytes
    }
    EXPECT_EQ(value("BackupSize"), std::to_string(bytes));
    EXPECT_EQ(files.rows.at(1).at(2), "L");
    EXPECT_EQ(value("BindingID").substr(0, 24), files.rows.at(0).at(9)->substr(0, 24));
}

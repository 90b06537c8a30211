// The helper connection, the server-progress reader and the poller, with fake connections.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "FakeConnection.h"
#include "QtPrinters.h"
#include "common/OperatorTexts.h"
#include "operations/CancelReport.h"
#include "operations/HelperConnection.h"
#include "operations/ProgressPoller.h"
#include "operations/ServerProgress.h"

namespace {

using namespace std::chrono_literals;

const QString kSessionsQuery = QStringLiteral(
    "SELECT session_id FROM sys.dm_exec_sessions WHERE host_process_id = 4321 AND host_name = "
    "HOST_NAME() AND program_name = APP_NAME() AND session_id <> @@SPID");
const QString kRequestsQuery = QStringLiteral(
    "SELECT command, percent_complete, estimated_completion_time FROM sys.dm_exec_requests "
    "WHERE session_id IN (");

ResultSet requests(const QList<QStringList>& rows) {
    return ResultSet({"command", "percent_complete", "estimated_completion_time"}, rows);
}

// A helper connection whose connections are fakes the test can reach.
struct Helper {
    QList<FakeConnection*> made;
    std::function<void(FakeConnection&)> script = [](FakeConnection&) {};
    HelperConnection helper{[this] {
        auto fake = std::make_unique<FakeConnection>();
        script(*fake);
        made << fake.get();
        return fake;
    }};
};

TEST(HelperConnection, OpensWithTheRememberedLoginOnFirstUseAndKeepsItUntilForgotten) {
    Helper h;
    auto select = [&] { h.helper.run([](Connection& c) { c.query("SELECT 1"); }); };
    EXPECT_THROW(select(), Error);  // no login yet
    EXPECT_TRUE(h.made.isEmpty());

    h.helper.remember("login A");
    select();
    select();
    h.helper.remember("login A");
    select();
    ASSERT_EQ(h.made.size(), 1);
    // The helper gives up on a statement that takes too long; the tool's own session does not.
    EXPECT_EQ(h.made[0]->lastConnectionString, "login A;Command Timeout=10");
    EXPECT_EQ(h.made[0]->calls.size(), 3);

    h.helper.remember("login B");  // another login: the old connection goes
    select();
    ASSERT_EQ(h.made.size(), 2);
    EXPECT_EQ(h.made[1]->lastConnectionString, "login B;Command Timeout=10");

    int closes = 0;
    h.made[1]->onClose = [&closes] { ++closes; };
    h.helper.forget();
    EXPECT_EQ(closes, 1);
    EXPECT_THROW(select(), Error);
}

TEST(HelperConnection, ADeadLinkIsDroppedAndReopenedWhileAFailedStatementKeepsIt) {
    Helper h;
    h.helper.remember("login");
    auto failWith = [&](const QString& sqlState) {
        EXPECT_THROW(
            h.helper.run([&](Connection&) -> int { throw DatabaseError("failed", sqlState); }),
            DatabaseError);
    };
    failWith("42000");
    h.helper.run([](Connection&) {});
    EXPECT_EQ(h.made.size(), 1);
    failWith("08S01");
    h.helper.run([](Connection&) {});
    EXPECT_EQ(h.made.size(), 2);

    // An open that fails leaves nothing behind, and the next call tries again.
    h.script = [](FakeConnection& fake) { fake.openError = "refused"; };
    failWith("08S01");
    EXPECT_THROW(h.helper.run([](Connection&) {}), DatabaseError);
    h.script = [](FakeConnection&) {};
    h.helper.run([](Connection&) {});
    EXPECT_EQ(h.made.size(), 4);
}

TEST(HelperConnection, CallsFromSeveralThreadsTakeTurns) {
    Helper h;
    h.helper.remember("login");
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    auto hammer = [&] {
        for (int i = 0; i < 50; ++i) {
            h.helper.run([&](Connection&) {
                if (++inside > 1) {
                    ++overlaps;
                }
                std::this_thread::yield();
                --inside;
            });
        }
    };
    std::thread a(hammer);
    std::thread b(hammer);
    a.join();
    b.join();
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(h.made.size(), 1);
}

TEST(ServerProgressReader, FindsTheToolsSessionOnceAndOnlyReadsItsLongRequest) {
    FakeConnection helper;
    helper.open("login");
    // A number the server might send that is no number never reaches a query.
    helper.answer("SELECT session_id", ResultSet({"session_id"}, {{"52"}, {"7 OR 1=1"}, {"60"}}));
    helper.answerOnce(kRequestsQuery, requests({{"SELECT", "0", "0"}}));
    helper.answer(kRequestsQuery,
                  requests({{"KILL", "10", "99"}, {"RESTORE DATABASE", "42.57", "65000"}}));
    ServerProgressReader reader(4321);

    EXPECT_FALSE(reader.read(helper).has_value());  // nothing long running yet
    const auto progress = reader.read(helper);
    ASSERT_TRUE(progress.has_value());
    EXPECT_DOUBLE_EQ(progress->percentComplete, 42.57);
    EXPECT_EQ(progress->millisecondsLeft, 65000);

    const QString requestsOfTool = kRequestsQuery + QStringLiteral("52, 60)");
    EXPECT_EQ(helper.texts(), (QStringList{kSessionsQuery, requestsOfTool, requestsOfTool}));
    for (const auto& call : helper.calls) {
        EXPECT_EQ(call.kind, FakeConnection::Call::Query);
    }
}

TEST(ServerProgressReader, LooksForTheToolsSessionAgainUntilItFindsOne) {
    FakeConnection helper;
    helper.open("login");
    helper.answerOnce("SELECT session_id", ResultSet({"session_id"}, {}));
    helper.answer("SELECT session_id", ResultSet({"session_id"}, {{"53"}}));
    helper.answer(kRequestsQuery, requests({{"DbccFilesCompact", "5", "1000"}}));
    ServerProgressReader reader(4321);
    EXPECT_FALSE(reader.read(helper).has_value());
    EXPECT_TRUE(reader.read(helper).has_value());
    EXPECT_EQ(helper.texts().count(kSessionsQuery), 2);
}

// Collects what the poller delivers, for the test's thread to wait on.
struct Deliveries {
    std::mutex mutex;
    std::condition_variable arrived;
    QList<ProgressPoller::Reading> readings;

    void add(const ProgressPoller::Reading& reading) {
        const std::lock_guard lock(mutex);
        readings << reading;
        arrived.notify_all();
    }
    bool waitFor(qsizetype count) {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, 5s, [&] { return readings.size() >= count; });
    }
    qsizetype count() {
        const std::lock_guard lock(mutex);
        return readings.size();
    }
};

TEST(ProgressPoller, ReadsEveryIntervalForTheWatchedCallAndStopsOnFailureOrStop) {
    Helper h;
    h.script = [](FakeConnection& fake) {
        fake.answer("SELECT session_id", ResultSet({"session_id"}, {{"52"}}));
        fake.answerOnce(kRequestsQuery, requests({{"BACKUP DATABASE", "10", "900"}}));
        fake.answerOnce(kRequestsQuery, requests({{"BACKUP DATABASE", "20", "800"}}));
        fake.failCall(3, "gone");  // the third reading
    };
    h.helper.remember("login");
    Deliveries deliveries;
    {
        ProgressPoller poller(
            std::shared_ptr<HelperConnection>(&h.helper, [](HelperConnection*) {}), 4321,
            [&](const ProgressPoller::Reading& r) { deliveries.add(r); }, 10ms);
        poller.watch(1);
        ASSERT_TRUE(deliveries.waitFor(3));
        std::this_thread::sleep_for(50ms);  // a failed call is read no more
        ASSERT_EQ(deliveries.count(), 3);
        const auto& r = deliveries.readings;
        EXPECT_EQ(r[0].outcome, ProgressPoller::Outcome::Progress);
        EXPECT_EQ(r[0].progress.percentComplete, 10);
        EXPECT_EQ(r[1].progress.percentComplete, 20);
        EXPECT_EQ(r[2].outcome, ProgressPoller::Outcome::Failed);
        for (const auto& reading : r) {
            EXPECT_EQ(reading.call, 1u);
        }

        h.script = [](FakeConnection& fake) {
            fake.answer("SELECT session_id", ResultSet({"session_id"}, {{"52"}}));
            fake.answer(kRequestsQuery, requests({{"SELECT", "0", "0"}}));
        };
        h.helper.forget();
        h.helper.remember("login");
        poller.watch(2);
        ASSERT_TRUE(deliveries.waitFor(6));
        poller.stop();
        const qsizetype stopped = deliveries.count();
        std::this_thread::sleep_for(50ms);
        EXPECT_LE(deliveries.count(), stopped + 1);  // at most the reading under way
        EXPECT_EQ(deliveries.readings.last().call, 2u);
        EXPECT_EQ(deliveries.readings.last().outcome, ProgressPoller::Outcome::NoProgress);
    }
}

TEST(ProgressPoller, SaysTheRequestVanishedWhenTheServerNoLongerListsItOrCannotBeReached) {
    Helper h;
    h.script = [](FakeConnection& fake) {
        fake.answer("SELECT session_id", ResultSet({"session_id"}, {{"52"}}));
        fake.answer(kRequestsQuery, requests({}));  // the tool's session runs nothing
    };
    h.helper.remember("login");
    Deliveries deliveries;
    ProgressPoller poller(
        std::shared_ptr<HelperConnection>(&h.helper, [](HelperConnection*) {}), 4321,
        [&](const ProgressPoller::Reading& r) { deliveries.add(r); }, 10ms, 50ms);
    poller.watch(1);
    ASSERT_TRUE(deliveries.waitFor(1));
    EXPECT_EQ(deliveries.readings[0].outcome, ProgressPoller::Outcome::Vanished);

    // A helper that cannot reach the server says nothing at first, then, for long, the same.
    h.script = [](FakeConnection& fake) {
        fake.openError = "unreachable";
        fake.openErrorState = "08001";
    };
    h.helper.forget();
    h.helper.remember("login");
    poller.watch(2);
    ASSERT_TRUE(deliveries.waitFor(12));
    poller.stop();
    const std::lock_guard lock(deliveries.mutex);
    EXPECT_EQ(deliveries.readings[1].outcome, ProgressPoller::Outcome::NoProgress);
    EXPECT_EQ(deliveries.readings.last().outcome, ProgressPoller::Outcome::Vanished);
}

TEST(CancelReport, ReadsBackWhatTheServerShowsOrSaysItCouldNotBeChecked) {
    Helper h;
    h.script = [](FakeConnection& fake) {
        fake.answer(
            "SELECT state_desc, recovery_model_desc FROM sys.databases WHERE name = "
            "'Shop'",
            ResultSet({"state_desc", "recovery_model_desc"}, {{"RESTORING", "SIMPLE"}}));
        fake.answer("SELECT state_desc", ResultSet({"state_desc", "recovery_model_desc"}, {}));
        fake.answer("SELECT CONVERT(nvarchar(128), SERVERPROPERTY('ProductVersion'))",
                    ResultSet({"product_version", "path_separator", "data_folder", "log_folder",
                               "backup_folder"},
                              {{"16.0.1000.6", "\\", "D:\\data\\", "D:\\data\\", "D:\\bak\\"}}));
        fake.answer("SELECT host_platform", column("host_platform", {"Windows"}));
        fake.answer("SELECT file_or_directory_name",
                    ResultSet({"file_or_directory_name", "is_directory", "size_in_bytes",
                               "last_write_time"},
                              {{"SHOP.BAK", "0", "8192", "2026-12-08 08:00"}}));
    };
    h.helper.remember("login");
    EXPECT_EQ(cancelledStatus(CallPurpose::restore("Shop"), h.helper),
              "恢复已取消，数据库 Shop 处于 RESTORING 状态，需要重新恢复后才能使用");
    EXPECT_EQ(cancelledStatus(CallPurpose::cleanUp("Shop"), h.helper),
              "清理已取消，数据库 Shop 现在的恢复模式为 SIMPLE");
    EXPECT_EQ(cancelledStatus(CallPurpose::restore("Gone"), h.helper),
              "恢复已取消，服务器上没有数据库 Gone");
    EXPECT_EQ(cancelledStatus(CallPurpose::backUp("Shop", "D:\\bak\\shop.bak"), h.helper),
              "备份已取消，服务器上存在备份文件 D:\\bak\\shop.bak，但它可能不完整");
    EXPECT_EQ(cancelledStatus(CallPurpose::backUp("Shop", "D:\\bak\\other.bak"), h.helper),
              "备份已取消，服务器上没有备份文件 D:\\bak\\other.bak");
    EXPECT_EQ(cancelledStatus(std::nullopt, h.helper), texts::kStatementCancelled);

    h.helper.forget();  // nothing can be read now
    EXPECT_EQ(cancelledStatus(CallPurpose::cleanUp("Shop"), h.helper),
              "清理已取消，无法查明数据库 Shop 现在的恢复模式");
    EXPECT_EQ(cancelledStatus(CallPurpose::backUp("Shop", "D:\\bak\\shop.bak"), h.helper),
              "备份已取消，无法查明服务器上是否有备份文件 D:\\bak\\shop.bak");
}

}  // namespace

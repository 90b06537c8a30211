// Under an I/O rate, BACKUP, RESTORE and DBCC SHRINKDATABASE take their time in pieces: the
// other sessions go on, sys.dm_exec_requests shows how far the work has got, and a KILL
// abandons it with SQL Server's errors.
#include <chrono>
#include <future>
#include <thread>

#include "EngineFixture.h"
#include "devserver/engine/Text.h"

using namespace devserver;

namespace {

using Rows = std::vector<std::vector<std::u16string>>;

struct Reading {
    std::u16string command;
    double percent = 0;
    std::int64_t millisecondsLeft = 0;
};

class TimeModelTest : public EngineTest {
  protected:
    void SetUp() override {
        ioBytesPerSecond_ = 100.0 * 1024 * 1024;  // the 60-MB database takes 0.6 s
        EngineTest::SetUp();
        worker = login();
        watcher = login();
        ok(watcher, u"CREATE DATABASE Big ON PRIMARY (NAME = Big, FILENAME = '" +
                        u16path("Big.mdf") +
                        u"', SIZE = 60MB) LOG ON (NAME = Big_log, FILENAME = '" +
                        u16path("Big_log.ldf") + u"', SIZE = 10MB)");
    }

    std::future<Reply> start(const std::u16string& sql) {
        return std::async(std::launch::async, [this, sql] { return run(worker, sql); });
    }

    std::vector<Reading> requestsOfWorker() {
        std::vector<Reading> readings;
        const Rows rows = table(ok(watcher,
                                   u"SELECT command, percent_complete, "
                                   u"estimated_completion_time FROM sys.dm_exec_requests "
                                   u"WHERE session_id = " +
                                       text::number(worker)));
        for (const auto& row : rows) {
            readings.push_back(
                {row[0], std::stod(text::toUtf8(row[1])), std::stoll(text::toUtf8(row[2]))});
        }
        return readings;
    }

    // The worker's readings while `running` goes on, taken by the watcher's session.
    std::vector<Reading> watch(std::future<Reply>& running) {
        std::vector<Reading> readings;
        while (running.wait_for(std::chrono::milliseconds(30)) != std::future_status::ready) {
            for (const Reading& reading : requestsOfWorker()) {
                readings.push_back(reading);
            }
        }
        return readings;
    }

    void waitUntilTheWorkerRuns() {
        for (int i = 0; i < 200 && requestsOfWorker().empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_FALSE(requestsOfWorker().empty());
    }

    int worker = 0;
    int watcher = 0;
};

TEST_F(TimeModelTest, EachLongStatementShowsItsRisingProgressWhileOtherSessionsGoOn) {
    const std::u16string backupFile = u16path("Big.bak");
    const std::pair<std::u16string, std::u16string> statements[] = {
        {u"BACKUP DATABASE Big TO DISK = '" + backupFile + u"' WITH FORMAT", u"BACKUP DATABASE"},
        {u"DBCC SHRINKDATABASE(Big)", u"DbccFilesCompact"},
        {u"RESTORE DATABASE Big FROM DISK = '" + backupFile + u"' WITH REPLACE",
         u"RESTORE DATABASE"},
    };
    for (const auto& [sql, command] : statements) {
        SCOPED_TRACE(text::toUtf8(command));
        std::future<Reply> running = start(sql);
        const std::vector<Reading> readings = watch(running);
        const Reply reply = running.get();
        EXPECT_TRUE(errors(reply).empty()) << text::toUtf8(errorText(reply));

        ASSERT_GE(readings.size(), 3u);
        for (std::size_t i = 0; i < readings.size(); ++i) {
            EXPECT_EQ(readings[i].command, command);
            if (i > 0) {
                EXPECT_GE(readings[i].percent, readings[i - 1].percent);
                EXPECT_LE(readings[i].millisecondsLeft, readings[i - 1].millisecondsLeft);
            }
        }
        EXPECT_LT(readings.front().percent, 50);
        EXPECT_GT(readings.back().percent, 50);
        EXPECT_LE(readings.back().percent, 100);
        EXPECT_TRUE(requestsOfWorker().empty());
    }
    // The backup holds all 60 MB of the data file, as its pages say.
    EXPECT_EQ(table(ok(watcher, u"RESTORE FILELISTONLY FROM DISK = '" + backupFile + u"'"))[0][4],
              u"62914560");
}

TEST_F(TimeModelTest, TheDatabaseOfALongStatementIsInUseAndKillAbandonsItLeavingNoFile) {
    std::future<Reply> backup =
        start(u"BACKUP DATABASE Big TO DISK = '" + u16path("Cut.bak") + u"' WITH FORMAT");
    waitUntilTheWorkerRuns();
    EXPECT_EQ(errors(run(watcher, u"DROP DATABASE Big")), std::vector<int>{3702});
    // The tool's own session eviction finds the backup in the database and ends it.
    ok(watcher, evictionBatch(u"'Big'"));
    const Reply told = backup.get();
    EXPECT_EQ(errors(told), (std::vector<int>{3204, 3013, 596, 0}));
    EXPECT_TRUE(instance_->sessionEnded(worker));
    // The victim's connection is left to end after its reply, so it hears why.
    EXPECT_TRUE(terminated_.empty());
    EXPECT_FALSE(std::filesystem::exists(path("Cut.bak")));

    instance_->logout(worker);
    worker = login();
    ok(worker, u"BACKUP DATABASE Big TO DISK = '" + u16path("Whole.bak") + u"' WITH FORMAT");
    std::future<Reply> restore = start(
        u"RESTORE DATABASE Copy FROM DISK = '" + u16path("Whole.bak") + u"' WITH MOVE 'Big' TO '" +
        u16path("Copy.mdf") + u"', MOVE 'Big_log' TO '" + u16path("Copy_log.ldf") + u"'");
    waitUntilTheWorkerRuns();
    ok(watcher, u"KILL " + text::number(worker));
    EXPECT_EQ(errors(restore.get()), (std::vector<int>{3204, 3013, 596, 0}));
    // As on SQL Server, the restore's target stays, unusable, until a restore completes.
    EXPECT_EQ(databaseNames(watcher), (std::vector<std::u16string>{u"Big", u"Copy"}));
    EXPECT_EQ(table(ok(watcher, u"SELECT state_desc FROM sys.databases WHERE name = 'Copy'")),
              (Rows{{u"RESTORING"}}));
    EXPECT_EQ(errors(run(watcher, u"USE Copy")), std::vector<int>{927});
    EXPECT_FALSE(std::filesystem::exists(path("Copy.mdf")));
    EXPECT_FALSE(std::filesystem::exists(path("Copy_log.ldf")));
}

TEST_F(EngineTest, SessionsShowTheirClientAndLoginAndRequestsShowTheCallersOwnQuery) {
    const LoginResult tool = instance_->login({u"SA", u"", u"", false, u"desk-7", u"dbtool", 4321});
    ASSERT_TRUE(tool.accepted);
    const int other = login();
    EXPECT_EQ(table(ok(other,
                       u"SELECT session_id, host_name, program_name, host_process_id, "
                       u"login_name FROM sys.dm_exec_sessions WHERE host_process_id = 4321")),
              (Rows{{text::number(tool.spid), u"desk-7", u"dbtool", u"4321", u"sa"}}));
    // The same process id on another machine is told apart by what each client said.
    instance_->login({u"sa", u"", u"", false, u"desk-9", u"dbtool", 4321});
    const LoginResult helper =
        instance_->login({u"sa", u"", u"", false, u"desk-7", u"dbtool", 4321});
    EXPECT_EQ(table(ok(helper.spid,
                       u"SELECT session_id FROM sys.dm_exec_sessions WHERE host_process_id = "
                       u"4321 AND host_name = HOST_NAME() AND program_name = APP_NAME() AND "
                       u"session_id <> @@SPID")),
              (Rows{{text::number(tool.spid)}}));
    EXPECT_EQ(table(ok(other,
                       u"SELECT session_id, command, percent_complete FROM "
                       u"sys.dm_exec_requests")),
              (Rows{{text::number(other), u"SELECT", u"0"}}));
}

TEST_F(EngineTest, CreateDatabaseRecordsFileSizesWithoutWritingThem) {
    const int spid = login();
    std::filesystem::create_directories(path("files"));
    ok(spid, u"CREATE DATABASE Big ON PRIMARY (NAME = BigData, FILENAME = '" +
                 u16path("files/Big.mdf") +
                 u"', SIZE = 200MB, MAXSIZE = UNLIMITED, FILEGROWTH = 10%) LOG ON (NAME = BigLog, "
                 u"FILENAME = '" +
                 u16path("files/Big.ldf") + u"', SIZE = 20480KB, FILEGROWTH = 64MB)");
    const Rows expected{{u"1", u"25600", u"BigData"}, {u"2", u"2560", u"BigLog"}};
    const std::u16string files = u"SELECT fileid, size, name FROM Big.dbo.sysfiles";
    EXPECT_EQ(table(ok(spid, files)), expected);
    EXPECT_LT(std::filesystem::file_size(path("files/Big.mdf")), 65536u);

    restart();
    const int again = login();
    EXPECT_EQ(table(ok(again, files)), expected);
    ok(again, u"EXEC sp_detach_db 'Big'");
    ok(again, u"EXEC sp_attach_db 'Big', '" + u16path("files/Big.mdf") + u"'");
    EXPECT_EQ(table(ok(again, files)), expected);

    EXPECT_EQ(
        errors(run(again, u"CREATE DATABASE Twice ON (NAME = A, FILENAME = '" + u16path("a.mdf") +
                              u"') LOG ON (NAME = A, FILENAME = '" + u16path("a.ldf") + u"')")),
        std::vector<int>{1828});
    EXPECT_EQ(
        errors(run(again, u"CREATE DATABASE Nameless ON (FILENAME = '" + u16path("n.mdf") + u"')")),
        std::vector<int>{102});
    EXPECT_FALSE(std::filesystem::exists(path("a.mdf")));
}

}  // namespace

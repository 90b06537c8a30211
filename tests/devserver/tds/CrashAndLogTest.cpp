// Faults of the server's own making that tests would otherwise not notice: a file written
// in place, so that a crash in the middle leaves half of it, and a batch logged only once it
// has run, so that a test reading the log during a long operation misses it.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "OdbcSession.h"
#include "RawTdsClient.h"
#include "support/DevServerProcess.h"

using namespace tdstest;
using namespace std::chrono_literals;

namespace {

std::string bytesOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Sends a batch and leaves its reply unread.
void sendBatch(RawTdsClient& client, const std::u16string& sql) {
    client.sendMessage(0x01, buildSqlBatch(sql));
}

std::u16string u16(const std::string& text) {
    return {text.begin(), text.end()};
}

}  // namespace

#ifdef __SANITIZE_ADDRESS__
// The sanitizers' server parses and writes several times slower: a quarter of the content
// still keeps the write long enough for the kill to land in it, and the test in its time.
constexpr unsigned kRowsPerInsert = 500;
#else
constexpr unsigned kRowsPerInsert = 2000;
#endif

TEST(Crash, AWriteCutShortByAKillLeavesTheOldFileWhole) {
    DevServerProcess server;
    const std::filesystem::path bak = server.dataDir() / "big.bak";
    {
        OdbcSession sa(server.odbcConnectionString());
        // Some megabytes of content, so that writing the backup takes a while.
        std::string rows;
        for (unsigned i = 0; i < kRowsPerInsert; ++i) {
            rows += (i == 0 ? "(N'" : ",(N'") + std::string(4000, 'x') + "')";
        }
        sa.query("CREATE DATABASE Big CREATE TABLE Big.dbo.t (a nvarchar(4000)) SELECT 1");
        for (int i = 0; i < 3; ++i) {
            sa.query("INSERT INTO Big.dbo.t VALUES " + rows + " SELECT 1");
        }
        sa.query("BACKUP DATABASE Big TO DISK = '" + bak.string() + "' WITH FORMAT SELECT 1");
        sa.query("INSERT INTO Big.dbo.t VALUES (N'after') SELECT 1");
    }
    const std::string before = bytesOf(bak);
    ASSERT_GT(before.size(), 3u * kRowsPerInsert * 4000u);

    RawTdsClient client(server.port());
    client.logIn({});
    sendBatch(client, u"BACKUP DATABASE Big TO DISK = '" + u16(bak.string()) + u"' WITH FORMAT");
    // Killed the moment the new file starts to appear, beside the old one or over it.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    bool writing = false;
    for (int round = 0; !writing && std::chrono::steady_clock::now() < deadline; ++round) {
        std::error_code ignored;
        writing = std::filesystem::file_size(bak, ignored) != before.size();
        if (round % 16 == 0) {
            for (const auto& entry : std::filesystem::directory_iterator(server.dataDir())) {
                writing = writing || entry.path().filename().string().starts_with("big.bak.");
            }
        }
    }
    ASSERT_TRUE(writing);
    server.crash();
    // The old file whole, or (when the write was done before the kill landed) the new one
    // whole; never a part of either.
    const std::string after = bytesOf(bak);
    const bool newAndWhole =
        after.find("s:after\n") != std::string::npos && after.ends_with("endset\nend\n");
    EXPECT_TRUE(after == before || newAndWhole) << after.size() << " bytes left";

    server.restart();
    OdbcSession sa(server.odbcConnectionString());
    EXPECT_EQ(sa.query("RESTORE FILELISTONLY FROM DISK = '" + bak.string() + "'").rows.size(), 2u);
    for (const auto& entry : std::filesystem::directory_iterator(server.dataDir())) {
        EXPECT_FALSE(entry.path().filename().string().starts_with("big.bak."))
            << "left behind: " << entry.path();
    }
}

TEST(Log, ALongBatchIsLoggedBeforeItRuns) {
    DevServerProcess server(DevServerProcess::Options{.ioRateMegabytesPerSecond = 4});
    OdbcSession watcher(server.odbcConnectionString());
    watcher.query("CREATE DATABASE Big ON (NAME = Big, FILENAME = '" +
                  (server.dataDir() / "Big.mdf").string() + "', SIZE = 8MB) SELECT 1");
    RawTdsClient client(server.port());
    client.logIn({});
    const std::string backup =
        "BACKUP DATABASE Big TO DISK = '" + (server.dataDir() / "Big.bak").string() + "'";
    sendBatch(client, u16(backup));

    const auto deadline = std::chrono::steady_clock::now() + 10s;
    bool logged = false;
    while (!logged && std::chrono::steady_clock::now() < deadline) {
        for (const auto& batch : server.readLog()) {
            logged = logged || batch.sql == backup;
        }
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(logged);
    // The backup takes about two seconds; it is still running now.
    EXPECT_EQ(watcher
                  .query("SELECT command FROM sys.dm_exec_requests WHERE command = "
                         "'BACKUP DATABASE'")
                  .rows.size(),
              1u);
    client.readMessage();
}

// The devserver through FreeTDS's command-line client, run with a time limit.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/CatalogueQuery.h"
#include "support/DevServerProcess.h"

namespace {

constexpr const char* kPassword = "TsqlPass7";

struct TsqlRun {
    int exitCode = -1;
    std::string output;
};

// Feeds the script to tsql on stdin; `timeout` bounds the run should the server hang.
TsqlRun runTsql(const DevServerProcess& server, const std::string& password,
                const std::string& script) {
    auto folder = server.logPath().parent_path();
    auto scriptPath = folder / "tsql-script.sql";
    auto outputPath = folder / "tsql-output.txt";
    std::ofstream(scriptPath) << script;
    std::string command = "timeout 20 tsql -H 127.0.0.1 -p " + std::to_string(server.port()) +
                          " -U sa -P '" + password + "' < '" + scriptPath.string() + "' > '" +
                          outputPath.string() + "' 2>&1";
    int status = std::system(command.c_str());
    std::stringstream output;
    output << std::ifstream(outputPath).rdbuf();
    return TsqlRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, output.str()};
}

}  // namespace

TEST(Tsql, LogsInAndRunsTheCatalogueQuery) {
    DevServerProcess server(DevServerProcess::Options{kPassword, 0});
    auto run = runTsql(server, kPassword,
                       std::string("CREATE DATABASE FromTsql\ngo\n") + tdstest::kCatalogueQuery +
                           "\ngo\nSELECT @@SPID\ngo\nexit\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("FromTsql"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("(1 row affected)"), std::string::npos) << run.output;
    auto log = server.readLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].sql, "CREATE DATABASE FromTsql\n");
}

TEST(Tsql, ShowsTheServersErrorWithNumberAndText) {
    DevServerProcess server(DevServerProcess::Options{kPassword, 0});
    auto run = runTsql(server, kPassword, "USE no_such_db\ngo\nexit\n");
    EXPECT_NE(run.output.find("Msg 911"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Database 'no_such_db' does not exist."), std::string::npos)
        << run.output;
}

TEST(Tsql, IsRefusedWithAWrongPassword) {
    DevServerProcess server(DevServerProcess::Options{kPassword, 0});
    auto run = runTsql(server, "wrong", "SELECT @@SPID\ngo\nexit\n");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.output.find("18456"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Login failed for user 'sa'."), std::string::npos) << run.output;
    EXPECT_TRUE(server.readLog().empty());
}

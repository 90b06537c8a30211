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
// `freetdsConf`, when given, is the [global] section of the configuration tsql reads
// instead of the system's.
TsqlRun runTsql(const DevServerProcess& server, const std::string& password,
                const std::string& script, const std::string& freetdsConf = "") {
    auto folder = server.logPath().parent_path();
    auto scriptPath = folder / "tsql-script.sql";
    auto outputPath = folder / "tsql-output.txt";
    auto confPath = folder / "freetds.conf";
    std::ofstream(scriptPath) << script;
    std::ofstream(confPath) << "[global]\n" << freetdsConf;
    std::string command =
        std::string(freetdsConf.empty() ? "" : "FREETDSCONF='" + confPath.string() + "' ") +
        "timeout 20 tsql -H 127.0.0.1 -p " + std::to_string(server.port()) + " -U sa -P '" +
        password + "' < '" + scriptPath.string() + "' > '" + outputPath.string() + "' 2>&1";
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

// tsql's default asks for encryption of the login where the server offers it (OFF), so the
// three modes take it through the three paths: clear, login only, everything.
TEST(Tsql, ConnectsInEachEncryptionMode) {
    for (const char* mode : {"off", "optional", "force"}) {
        SCOPED_TRACE(mode);
        DevServerProcess server(DevServerProcess::Options{
            .saPassword = kPassword, .extraArguments = {"--encryption", mode}});
        auto run = runTsql(server, kPassword, "SELECT @@SPID\ngo\nexit\n");
        EXPECT_EQ(run.exitCode, 0) << run.output;
        EXPECT_NE(run.output.find("(1 row affected)"), std::string::npos) << run.output;
    }
}

// What the README tells an operator to write in freetds.conf: require encryption, and
// check the server's certificate against a CA file.
TEST(Tsql, RequiresEncryptionAndChecksTheCertificateWhenConfiguredTo) {
    DevServerProcess off(DevServerProcess::Options{.saPassword = kPassword,
                                                   .extraArguments = {"--encryption", "off"}});
    auto refused = runTsql(off, kPassword, "SELECT @@SPID\ngo\nexit\n", "encryption = require\n");
    EXPECT_NE(refused.exitCode, 0) << refused.output;
    EXPECT_TRUE(off.readLog().empty());

    DevServerProcess server(DevServerProcess::Options{kPassword});
    auto own = server.dataDir() / "tls-certificate.pem";
    // Its own certificate names no host, as SQL Server's own does not: trusted as itself.
    auto trusted = runTsql(server, kPassword, "SELECT @@SPID\ngo\nexit\n",
                           "encryption = require\nca file = " + own.string() +
                               "\ncheck certificate hostname = no\n");
    EXPECT_EQ(trusted.exitCode, 0) << trusted.output;
    EXPECT_NE(trusted.output.find("(1 row affected)"), std::string::npos) << trusted.output;

    DevServerProcess stranger(DevServerProcess::Options{kPassword});
    auto untrusted = runTsql(server, kPassword, "SELECT @@SPID\ngo\nexit\n",
                             "encryption = require\nca file = " +
                                 (stranger.dataDir() / "tls-certificate.pem").string() +
                                 "\ncheck certificate hostname = no\n");
    EXPECT_NE(untrusted.exitCode, 0) << untrusted.output;
}

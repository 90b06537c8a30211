#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

// Runs the development server for a test: the built `devserver` binary on a free loopback
// port with a fresh temporary data folder and batch log. The server is always stopped and
// the folder removed when the object goes; should the test process itself die, the kernel
// kills the server too (parent-death signal), so no test leaks a process.
// Must be created and destroyed on the same thread (the parent-death signal follows the
// thread that started the server).
class DevServerProcess {
  public:
    struct Options {
        std::string saPassword{};
        int seedDatabases = 0;
        double ioRateMegabytesPerSecond = 0;  // 0: unlimited
        // Pose as a Windows host whose drive D: is root(), so its data folder is D:\data.
        bool windowsHost = false;
        // Further options for the server, e.g. {"--encryption", "force"} or
        // {"--server-version", "2016"}.
        std::vector<std::string> extraArguments{};
        // The server's own certificate, as an installed SQL Server without one has, rather
        // than the tests' trusted one (ToolTestEnvironment.h) that it gets otherwise.
        bool ownCertificate = false;
    };

    // A batch, or a remote procedure call (then `sql` is empty).
    struct LoggedBatch {
        int spid = 0;
        std::string login;       // UTF-8: sa, or a Windows login
        std::string sql;         // UTF-8, exactly as received
        std::string rpc;         // the procedure as the client named it
        std::string arguments;   // the call's arguments as EXEC would take them
        bool attention = false;  // an attention: the session's request was cancelled
    };

    // Starts the server and waits (at most 10 s) for its ready line; throws
    // std::runtime_error with the server's own error output when it does not come.
    DevServerProcess();
    explicit DevServerProcess(Options options);
    ~DevServerProcess();
    DevServerProcess(const DevServerProcess&) = delete;
    DevServerProcess& operator=(const DevServerProcess&) = delete;

    int port() const { return port_; }
    const std::filesystem::path& dataDir() const { return dataDir_; }
    // The folder that holds the data folder; drive D: of a Windows host.
    const std::filesystem::path& root() const { return root_; }
    // A path below root(), given with '/', as the server names it: "D:\samples\Shop.bak"
    // on a Windows host, the absolute path on a Linux host. UTF-8.
    std::string serverPath(const std::string& belowRoot) const;
    const std::filesystem::path& logPath() const { return logPath_; }
    const std::string& saPassword() const { return options_.saPassword; }
    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // The batches and calls the server has received so far, in arrival order.
    std::vector<LoggedBatch> readLog() const;
    // What the server wrote to its standard error so far (it explains refused logins there).
    std::string serverErrors() const;

    // An ODBC connection string for the FreeTDS driver, logging in as sa; `encryption` is
    // the driver's setting (off, request, require), empty for its default.
    std::string odbcConnectionString(const std::string& database = "master",
                                     const std::string& tdsVersion = "7.4",
                                     const std::string& encryption = "") const;

    // SIGTERM, then SIGKILL if it has not ended after 5 s. Returns the exit code, or
    // -signal when it was killed; 0 when it was not running.
    int stop();
    // Stops and starts again on the same data folder (and the same port when it is free).
    void restart();
    // SIGKILL at once, as a crash or a power cut would end it; restart() starts it again.
    void crash();

  private:
    void start(int port);

    Options options_;
    std::filesystem::path root_;
    std::filesystem::path dataDir_;
    std::filesystem::path logPath_;
    pid_t pid_ = -1;
    int port_ = 0;
};

#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "devserver/engine/Collation.h"
#include "devserver/engine/HostFiles.h"
#include "devserver/engine/Model.h"

namespace devserver {

// A statement that takes its time under the I/O rate, as sys.dm_exec_requests shows it.
struct LongRequest {
    using Clock = std::chrono::steady_clock;

    std::u16string command;  // "BACKUP DATABASE", "RESTORE DATABASE", "DbccFilesCompact"
    int databaseId = 0;
    Clock::time_point start;
    Clock::duration length{};

    double percentComplete(Clock::time_point now) const;
    std::int64_t millisecondsLeft(Clock::time_point now) const;
    std::int64_t millisecondsElapsed(Clock::time_point now) const;
};

struct Session {
    int spid = 0;
    int databaseId = 1;
    // From the login, for sys.dm_exec_sessions: sa, or the Windows login of an integrated
    // logon.
    std::u16string loginName{};
    std::u16string hostName{};
    std::u16string programName{};
    std::int64_t hostProcessId = 0;
    std::optional<LongRequest> request{};

    // A long request holds its database as USE holds the current one: the database is in
    // use, and KILL of the sessions in it reaches the request.
    int activeDatabaseId() const { return request ? request->databaseId : databaseId; }
    // Logged in with a login that may not see server state nor run extended procedures.
    bool restricted = false;
};

// What the instance poses as: the host it runs on and the release of SQL Server.
struct Platform {
    std::vector<WindowsDrive> windowsDrives;  // none: a Linux host
    int majorVersion = 16;                    // 11 is SQL Server 2012, 16 is SQL Server 2022
    // The release that backups record, when another than majorVersion (for tests).
    std::optional<int> backupMajorVersion;
    // The instance's collation: database names and master's catalogue follow it, and a
    // database created without COLLATE takes it.
    Collation collation{};
};

// Databases and sessions of the instance and their persistence in the data folder. Not
// thread-safe: the instance serialises every call.
class State {
  public:
    static constexpr int kFirstUserDatabaseId = 5;
    static constexpr int kMaxDatabaseId = 32767;
    static constexpr int kFirstUserSpid = 51;
    static constexpr int kMaxSpid = 32767;

    // Loads the catalogue of the data folder, or sets up the system databases in a new one.
    // Throws std::runtime_error when the catalogue is damaged rather than start empty.
    explicit State(std::filesystem::path dataDir, Platform platform = {});

    const std::filesystem::path& dataDir() const { return dataDir_; }
    const HostFiles& host() const { return host_; }
    int majorVersion() const { return majorVersion_; }
    int backupMajorVersion() const { return backupMajorVersion_; }
    const Collation& collation() const { return collation_; }
    // The collation its catalogue names and texts follow.
    Collation collationOf(const Database& database) const;
    const std::map<int, Database>& databases() const { return databases_; }
    std::map<int, Session>& sessions() { return sessions_; }

    Database* find(std::u16string_view name);
    Database* byId(int id);
    // Throws SqlError 1835 when every id is taken.
    int freeId(int from = kFirstUserDatabaseId) const;
    Database& insert(Database database);
    void erase(int id);
    std::size_t userDatabaseCount() const;

    std::vector<int> sessionsIn(int databaseId) const;
    // The database, other than `exceptId`, one of whose files is `path`.
    const Database* fileOwner(const std::filesystem::path& path, int exceptId) const;

    // Reads the content from the data file on first use (SqlError 945 when it cannot).
    Content& content(Database& database);
    // Writes every file of the database; returns 0 or the OS error and the failing path.
    int writeFiles(Database& database, std::filesystem::path* failedPath = nullptr);
    // Throws SqlError when the catalogue cannot be written.
    void saveCatalog();

    std::string newGuid();

  private:
    void createSystemDatabases();
    // Clears the data folder and every folder holding a database file of the temporary
    // files a crash left behind.
    void removeInterruptedWrites() const;
    std::u16string key(std::u16string_view name) const;

    std::filesystem::path dataDir_;
    HostFiles host_;
    int majorVersion_;
    int backupMajorVersion_;
    Collation collation_;
    std::map<int, Database> databases_;
    std::unordered_map<std::u16string, int> idsByName_;
    std::map<int, Session> sessions_;
    unsigned long long guidCounter_ = 0;
};

}  // namespace devserver

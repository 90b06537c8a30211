#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Procedure.h"
#include "Reply.h"
#include "State.h"

// The modelled SQL Server instance: catalogue, sessions, database and backup files in the
// data folder. Thread-safe: every public call may come from any connection's thread.
namespace devserver {

struct Context;

struct LoginRequest {
    // The SQL Server login, or for an integrated logon the Windows login name that the
    // protocol layer authenticated (Kerberos) and named.
    std::u16string user;
    std::u16string password;
    std::u16string database;  // empty: master
    bool integratedSecurity = false;
    // What the client says about itself; sys.dm_exec_sessions shows it.
    std::u16string hostName{};
    std::u16string programName{};
    std::uint32_t hostProcessId = 0;
};

struct LoginResult {
    bool accepted = false;
    int spid = 0;
    std::u16string login;     // the login's name as the instance knows it, when accepted
    std::u16string database;  // the session's current database when accepted
    Message error;            // when refused: 18456, 911 or 4060
};

class Instance {
  public:
    // Ends the connection of a session (KILL). Called with no lock of the instance held
    // by the caller's own thread beyond what the instance needs; must not block.
    using SessionTerminator = std::function<void(int spid)>;

    // A login other than sa that may not see server state nor run extended procedures, so
    // that the host's files cannot be listed through it.
    struct RestrictedLogin {
        std::u16string name;
        std::u16string password;
    };

    struct Options {
        std::filesystem::path dataDir;
        std::u16string saPassword;
        // Under a rate, BACKUP, RESTORE and DBCC SHRINKDATABASE take (bytes / rate)
        // seconds while the other sessions go on. 0: every statement is instant.
        double ioBytesPerSecond = 0;
        Platform platform{};
        std::optional<RestrictedLogin> restrictedLogin{};
        // Windows logins (domain accounts) the instance admits, named as the protocol layer
        // names an authenticated principal.
        std::vector<std::u16string> windowsLogins = {};
    };

    // Tells whether the client of a running batch has gone away (its connection closed).
    using ClientGone = std::function<bool()>;

    explicit Instance(Options options);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    void setSessionTerminator(SessionTerminator terminator);

    LoginResult login(const LoginRequest& request);
    Reply executeBatch(int spid, const std::u16string& sql, const ClientGone& clientGone = {});
    // True once the session was killed while its batch ran: the batch's reply is the last
    // thing its client receives before the connection is closed.
    bool sessionEnded(int spid);
    // A remote procedure call; it runs as a batch does, under the same session.
    ProcedureReply callProcedure(int spid, const ProcedureCall& call,
                                 const ClientGone& clientGone = {});
    void logout(int spid);

    // For benchmarks: make sure `count` user databases exist (cheaply, in one go).
    void seedDatabases(int count);

  private:
    struct Impl;
    // Runs `work` under the instance's lock as one batch of the session: refusals become
    // the reply's messages, and sessions it killed lose their connections afterwards.
    Reply run(int spid, const ClientGone& clientGone,
              const std::function<void(const Context&)>& work);

    std::unique_ptr<Impl> impl_;
};

}  // namespace devserver

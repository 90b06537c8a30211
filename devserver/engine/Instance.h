#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "Procedure.h"
#include "Reply.h"

// The modelled SQL Server instance: catalogue, sessions, database and backup files in the
// data folder. Thread-safe: every public call may come from any connection's thread.
namespace devserver {

struct Context;

struct LoginRequest {
    std::u16string user;
    std::u16string password;
    std::u16string database;  // empty: master
    bool integratedSecurity = false;
};

struct LoginResult {
    bool accepted = false;
    int spid = 0;
    std::u16string database;  // the session's current database when accepted
    Message error;            // when refused: 18456, 18452, 911 or 4060
};

class Instance {
  public:
    // Ends the connection of a session (KILL). Called with no lock of the instance held
    // by the caller's own thread beyond what the instance needs; must not block.
    using SessionTerminator = std::function<void(int spid)>;

    struct Options {
        std::filesystem::path dataDir;
        std::u16string saPassword;
    };

    explicit Instance(Options options);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    void setSessionTerminator(SessionTerminator terminator);

    LoginResult login(const LoginRequest& request);
    Reply executeBatch(int spid, const std::u16string& sql);
    // A remote procedure call; it runs as a batch does, under the same session.
    ProcedureReply callProcedure(int spid, const ProcedureCall& call);
    void logout(int spid);

    // For benchmarks: make sure `count` user databases exist (cheaply, in one go).
    void seedDatabases(int count);

  private:
    struct Impl;
    // Runs `work` under the instance's lock as one batch of the session: refusals become
    // the reply's messages, and sessions it killed lose their connections afterwards.
    Reply run(int spid, const std::function<void(const Context&)>& work);

    std::unique_ptr<Impl> impl_;
};

}  // namespace devserver

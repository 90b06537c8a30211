#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Reply.h"
#include "State.h"

// The modelled SQL Server instance: catalogue, sessions, database and backup files in the
// data folder. Thread-safe: every public call may come from any connection's thread.
namespace devserver {

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

    // A login other than sa that may not see server state nor run extended procedures, so
    // that the host's files cannot be listed through it.
    struct RestrictedLogin {
        std::u16string name;
        std::u16string password;
    };

    struct Options {
        std::filesystem::path dataDir;
        std::u16string saPassword;
        Platform platform{};
        std::optional<RestrictedLogin> restrictedLogin{};
    };

    explicit Instance(Options options);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    void setSessionTerminator(SessionTerminator terminator);

    LoginResult login(const LoginRequest& request);
    Reply executeBatch(int spid, const std::u16string& sql);
    void logout(int spid);

    // For benchmarks: make sure `count` user databases exist (cheaply, in one go).
    void seedDatabases(int count);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace devserver

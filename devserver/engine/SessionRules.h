#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "devserver/engine/Execution.h"

// What a session may see of the others and do to them, and who may enter a database in
// single-user mode: the rules SQL Server applies to logins and sessions.
namespace devserver::rules {

// The server's own sessions: listed beside the users' with no login, in master, and out of
// reach of KILL.
struct SystemSession {
    int spid;
    const char16_t* command;
};
std::span<const SystemSession> systemSessions();
bool isSystemSession(std::int64_t spid);

// Without VIEW SERVER STATE a login sees only its own session in sysprocesses,
// sys.dm_exec_sessions and sys.dm_exec_requests.
bool seesOtherSessions(const Session& viewer);
bool sees(const Session& viewer, int spid);

// KILL needs ALTER ANY CONNECTION (6102).
void requireKillPermission(const Session& session);
// Ends another session as KILL does: it stops holding its database at once, and its
// connection is closed once the running batch has finished.
void endSession(const Context& context, int spid);

// 924 when the database is in single-user mode and a session other than `spid` uses it;
// nullopt when `spid` may enter.
std::optional<Message> entryRefusal(const State& state, const Database& database, int spid);
void requireEntry(const State& state, const Database& database, int spid);

}  // namespace devserver::rules

#include "devserver/engine/SessionRules.h"

#include <algorithm>
#include <array>

#include "devserver/engine/Messages.h"
#include "devserver/engine/SqlError.h"

namespace devserver::rules {

namespace {

constexpr std::array<SystemSession, 5> kSystemSessions = {{
    {1, u"LOG WRITER"},
    {2, u"RECOVERY WRITER"},
    {3, u"LAZY WRITER"},
    {4, u"LOCK MONITOR"},
    {5, u"SIGNAL HANDLER"},
}};

}  // namespace

std::span<const SystemSession> systemSessions() {
    return kSystemSessions;
}

bool isSystemSession(std::int64_t spid) {
    return std::any_of(kSystemSessions.begin(), kSystemSessions.end(),
                       [&](const SystemSession& s) { return s.spid == spid; });
}

bool seesOtherSessions(const Session& viewer) {
    return !viewer.restricted;
}

bool sees(const Session& viewer, int spid) {
    return seesOtherSessions(viewer) || viewer.spid == spid;
}

void requireKillPermission(const Session& session) {
    if (session.restricted) {
        throw SqlError(messages::killDenied());
    }
}

void endSession(const Context& context, int spid) {
    context.state().sessions().erase(spid);
    context.run.killed.push_back(spid);
}

std::optional<Message> entryRefusal(const State& state, const Database& database, int spid) {
    if (database.access != UserAccess::Single) {
        return std::nullopt;
    }
    for (const int user : state.sessionsIn(database.id)) {
        if (user != spid) {
            return messages::singleUserInUse(database.name);
        }
    }
    return std::nullopt;
}

void requireEntry(const State& state, const Database& database, int spid) {
    if (auto refusal = entryRefusal(state, database, spid)) {
        throw SqlError(std::move(*refusal));
    }
}

}  // namespace devserver::rules

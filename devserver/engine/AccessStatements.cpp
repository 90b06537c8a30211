#include "devserver/engine/Messages.h"
#include "devserver/engine/SessionRules.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Statements.h"

namespace devserver::statements {

namespace {

[[noreturn]] void failAlter(Message cause) {
    throw SqlError({std::move(cause), messages::alterFailed()});
}

std::vector<int> otherUsers(const State& state, const Database& db, int spid) {
    std::vector<int> others;
    for (const int user : state.sessionsIn(db.id)) {
        if (user != spid) {
            others.push_back(user);
        }
    }
    return others;
}

}  // namespace

// SINGLE_USER waits for the other users to leave unless told to roll them back; the model
// does not wait, it refuses as NO_WAIT does. ROLLBACK ends them without KILL's permission:
// the database's owner may always have it to himself.
void alterAccess(const syntax::AlterAccess& statement, const Context& context) {
    State& state = context.state();
    Database* db = state.find(statement.database);
    if (db == nullptr) {
        failAlter(messages::alterNotPermitted(statement.database));
    }
    if (db->isSystem()) {
        failAlter(messages::optionOnSystemDatabase(
            statement.access == UserAccess::Single ? u"SINGLE_USER" : u"MULTI_USER", db->name));
    }
    const std::vector<int> others = otherUsers(state, *db, context.spid());
    if (!others.empty()) {
        if (db->access == UserAccess::Single) {
            failAlter(messages::singleUserOccupied(db->name));
        }
        if (statement.access == UserAccess::Single && !statement.rollback) {
            failAlter(messages::stateChangeInUse(db->name));
        }
        if (statement.access == UserAccess::Single) {
            for (const int victim : others) {
                rules::endSession(context, victim);
            }
            context.add(messages::rollingBack());
        }
    }
    if (db->access != statement.access) {
        db->access = statement.access;
        state.saveCatalog();
    }
    context.add(Done{});
}

}  // namespace devserver::statements

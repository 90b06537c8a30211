#include "KillSessions.h"

#include <algorithm>
#include <array>

#include "Statements.h"
#include "session/Connection.h"
#include "session/DatabaseError.h"

namespace {

// A KILL the server refused: a login without the permission (6102), a session that ended by
// itself after it was listed (6106), one of the server's own (6107). Each ends only its own
// statement, so the loop went on to the others.
constexpr std::array kRefusedKill = {6102, 6106, 6107};

}  // namespace

void KillSessions(Connection& conn, const QString& databaseName) {
    try {
        conn.execute(sessionEvictionBatch(databaseName));
    } catch (const DatabaseError& error) {
        // Whether the database is free enough is for the operation's own statement to say.
        if (std::find(kRefusedKill.begin(), kRefusedKill.end(), error.nativeError()) ==
            kRefusedKill.end()) {
            throw;
        }
    }
}

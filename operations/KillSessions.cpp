#include "KillSessions.h"

#include "Statements.h"
#include "session/Connection.h"

void KillSessions(Connection& conn, const QString& databaseName) {
    conn.execute(sessionEvictionBatch(databaseName));
}

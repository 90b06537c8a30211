#pragma once

#include <QString>

class Connection;

// Ends every session attached to the database, in one request; reads nothing back. A KILL
// the server refuses is no failure here: the statement that follows finds out whether the
// database is free.
void KillSessions(Connection& conn, const QString& databaseName);

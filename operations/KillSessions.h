#pragma once

#include <QString>

class Connection;

// Ends every session attached to the database, in one request; reads nothing back.
void KillSessions(Connection& conn, const QString& databaseName);

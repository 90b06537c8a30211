#pragma once

#include <QString>
#include <optional>

#include "CallPurpose.h"

class OperationHost;

// Runs a statement that needs the database to itself (restore, drop, detach): ends every
// session on it first, and when the server still finds it in use, because a pool has come
// straight back or a session could not be killed, names who holds it and asks the operator
// once whether to force them out. On Yes the sessions are rolled back and the statement
// runs in the same batch; should that fail, the database is given back to every user.
// Raises the server's own error on No, or when the statement fails otherwise. The purpose,
// when given, is what the statement's calls are for should the operator cancel one.
void runOnDatabaseAlone(OperationHost& host, const QString& databaseName, const QString& statement,
                        const std::optional<CallPurpose>& purpose = std::nullopt);

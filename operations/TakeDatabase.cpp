#include "TakeDatabase.h"

#include <QStringList>
#include <algorithm>
#include <array>

#include "KillSessions.h"
#include "OperationHost.h"
#include "Statements.h"
#include "common/OperatorTexts.h"
#include "session/Connection.h"
#include "session/DatabaseError.h"

namespace {

// The database is still in use: RESTORE (3101), DROP (3702), detach (3703), a change of its
// state (5070).
constexpr std::array kInUse = {3101, 3702, 3703, 5070};

bool isInUse(const DatabaseError& error) {
    return std::find(kInUse.begin(), kInUse.end(), error.nativeError()) != kInUse.end();
}

QString question(OperationHost& host, const QString& databaseName) {
    QStringList holders;
    try {
        const ResultSet rows = host.helperQuery(sessionsUsingQuery(databaseName));
        for (qsizetype row = 0; row < rows.rowCount(); ++row) {
            holders << texts::kInUseSession.arg(rows.field(row, 0), rows.field(row, 1),
                                                rows.field(row, 2));
        }
    } catch (const Error&) {
        // Who holds it cannot be read; the operator is asked all the same.
    }
    if (holders.isEmpty()) {
        return texts::kInUseUnseenQuestion.arg(databaseName);
    }
    return texts::kInUseQuestion.arg(databaseName, QString::number(holders.size()),
                                     holders.join(texts::kInUseSessionSeparator));
}

// The statement, run for its purpose.
void runFor(OperationHost& host, const std::optional<CallPurpose>& purpose, const QString& sql) {
    std::optional<CallPurposeScope> scope;
    if (purpose) {
        scope.emplace(host, *purpose);
    }
    host.connection().execute(sql);
}

}  // namespace

void runOnDatabaseAlone(OperationHost& host, const QString& databaseName, const QString& statement,
                        const std::optional<CallPurpose>& purpose) {
    Connection& conn = host.connection();
    KillSessions(conn, databaseName);
    try {
        runFor(host, purpose, statement);
        return;
    } catch (const DatabaseError& error) {
        if (!isInUse(error) || !host.askYesNo(texts::kInUseTitle, question(host, databaseName))) {
            throw;
        }
    }
    try {
        runFor(host, purpose, forcedStatement(databaseName, statement));
    } catch (const Error&) {
        // A dropped or detached database is gone and a restored one has the access mode of
        // its backup; one that is still there must not stay the last session's alone.
        try {
            conn.execute(multiUserStatement(databaseName));
        } catch (const Error&) {
            // The statement's own error is the one the operator needs to read.
        }
        throw;
    }
}

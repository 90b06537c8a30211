#include "devserver/engine/ErrorReach.h"

#include <algorithm>
#include <array>

namespace devserver {

namespace {

// Errors that end their statement alone: those of KILL, of creating, dropping, attaching,
// detaching and altering databases, of BACKUP and RESTORE (each ending with 3013), of
// single-user mode, and of rows refused by a table. The documentation of each statement
// and of the Database Engine's severities; anything not named here is treated as
// ending more, so that a batch never runs on past an error SQL Server would stop at.
constexpr std::array kStatementLevel = {
    6102, 6104, 6106, 6107,                           // KILL
    1801, 1802, 1828, 1834,  5120, 5123, 5041, 1835,  // CREATE, attach, files
    3701, 3702, 3703, 15010,                          // DROP, detach
    5011, 5058, 5064, 5069,  5070, 924,               // ALTER DATABASE, single-user mode
    3101, 3013, 3119, 3154,  3156, 3159, 3201, 3241,
    3234, 3206, 3132, 3117,  3147, 3169, 4208, 4214,  // BACKUP, RESTORE
    2714, 3701, 515,  8152,  110,  213,  264,         // tables and rows
};

// Errors that end the batch even inside dynamic SQL.
constexpr std::array kBatchLevel = {
    245,  8114,  // conversion
    217,         // nesting
    596,         // the session was killed
    3204,        // a backup or restore abandoned: its client is gone or it was killed
};

template <typename List>
bool listed(const List& list, int number) {
    return std::find(list.begin(), list.end(), number) != list.end();
}

}  // namespace

ErrorReach reachOf(const SqlError& error) {
    if (error.messages().empty()) {
        return ErrorReach::Batch;
    }
    const Message& first = error.messages().front();
    const bool severe = std::any_of(error.messages().begin(), error.messages().end(),
                                    [](const Message& m) { return m.severity >= 20; });
    if (severe || listed(kBatchLevel, first.number)) {
        return ErrorReach::Batch;
    }
    return listed(kStatementLevel, first.number) ? ErrorReach::Statement : ErrorReach::Scope;
}

}  // namespace devserver

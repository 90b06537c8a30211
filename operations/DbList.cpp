#include "DbList.h"

#include "Statements.h"
#include "session/Connection.h"

void LoadDbList(Connection& conn, DbListView& list) {
    list.clearEntries();
    // The rows are read in full before any is appended, so a failed query leaves nothing
    // open on the connection for the next refill to trip over.
    const ResultSet rows = conn.query(catalogueQuery());
    QStringList names;
    names.reserve(rows.rowCount());
    for (qsizetype row = 0; row < rows.rowCount(); ++row) {
        names << rows.field(row, 0);
    }
    list.appendEntries(names);
}

void ClearDbList(DbListView& list) {
    list.clearEntries();
}

#include "DbList.h"

#include "Connection.h"

namespace {

// The system databases and the two sample databases are never offered for maintenance;
// database-id order puts every new database at the end.
const QString kCatalogueQuery = QStringLiteral(
    "SELECT NAME FROM SYSDATABASES WHERE NAME NOT IN "
    "('master','tempdb','model','msdb','pubs','Northwind') ORDER BY dbid");

}  // namespace

const QString& catalogueQuery() {
    return kCatalogueQuery;
}

void LoadDbList(Connection& conn, DbListView& list) {
    list.clearEntries();
    // The rows are read in full before any is appended, so a failed query leaves nothing
    // open on the connection for the next refill to trip over.
    const ResultSet rows = conn.query(kCatalogueQuery);
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

#pragma once

#include <QString>

class Connection;

// The drop-down of user databases as the list routines see it.
class DbListView {
public:
    virtual ~DbListView() = default;
    virtual void clearEntries() = 0;  // also leaves nothing selected
    virtual void appendEntry(const QString& name) = 0;
};

// The query every refill sends.
const QString& catalogueQuery();

// Rebuilds the list from the catalogue in database-id order; errors pass to the caller.
void LoadDbList(Connection& conn, DbListView& list);
void ClearDbList(DbListView& list);

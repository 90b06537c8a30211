#pragma once

#include <QString>
#include <QStringList>

class Connection;

// The drop-down of user databases as the list routines see it.
class DbListView {
  public:
    virtual ~DbListView() = default;
    virtual void clearEntries() = 0;  // also leaves nothing selected
    // Appends in the given order, selecting nothing. A refill hands over every name at
    // once: one by one, a list of thousands of databases costs more in the widget than on
    // the wire.
    virtual void appendEntries(const QStringList& names) = 0;
};

// Rebuilds the list from the catalogue in database-id order; errors pass to the caller.
void LoadDbList(Connection& conn, DbListView& list);
void ClearDbList(DbListView& list);

#pragma once

#include "devserver/engine/Execution.h"

namespace devserver {

// A table as SELECT reads it: a catalogue view or a user table.
struct Relation {
    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;
    // Under a case-sensitive or binary collation: column names resolve only as stored, and
    // texts compare with regard to case.
    bool caseSensitive = false;
};

// The database that a one-, two- or three-part name refers to; throws 208 (with the name
// as written) when a named database does not exist.
Database& databaseOf(const syntax::ObjectName& name, const Context& context);
Relation relationOf(const syntax::ObjectName& name, const Context& context);
RowSet runSelect(const syntax::Select& select, const Context& context);

}  // namespace devserver

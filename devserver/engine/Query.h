#pragma once

#include "devserver/engine/Execution.h"
#include "devserver/engine/Relation.h"

namespace devserver {

// The database that a one-, two- or three-part name refers to; throws 208 (with the name
// as written) when a named database does not exist.
Database& databaseOf(const syntax::ObjectName& name, const Context& context);
Relation relationOf(const syntax::ObjectName& name, const Context& context);
RowSet runSelect(const syntax::Select& select, const Context& context);

}  // namespace devserver

#pragma once

#include "devserver/engine/Execution.h"
#include "devserver/engine/Procedure.h"

// The stored procedures a client can call by RPC: sp_executesql, and the two that batches
// also reach through EXEC (sp_attach_db, sp_detach_db).
namespace devserver::procedures {

// True for the procedures the instance has; the name may carry a schema or database and
// brackets, as "master.dbo.[sp_executesql]".
bool exists(const std::u16string& name);

// Runs an existing procedure; a refusal throws SqlError as a statement does.
void call(const ProcedureCall& call, const Context& context);

}  // namespace devserver::procedures

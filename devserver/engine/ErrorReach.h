#pragma once

#include "devserver/engine/SqlError.h"

// How far an error reaches, as SQL Server decides it: most runtime errors end only the
// statement that raised them and the batch goes on; errors found while compiling a
// statement (a name that does not resolve, a variable never declared) end the scope, the
// batch or the dynamic SQL that EXEC runs; a few (conversions, nesting, a killed session)
// end the whole batch.
namespace devserver {

enum class ErrorReach { Statement, Scope, Batch };

ErrorReach reachOf(const SqlError& error);

}  // namespace devserver

#pragma once

#include <optional>
#include <string>
#include <vector>

#include "devserver/engine/Execution.h"
#include "devserver/engine/Relation.h"

// What the instance tells about its host and the host's files: SERVERPROPERTY, the views
// sys.dm_os_host_info and sys.dm_os_enumerate_fixed_drives, the function
// sys.dm_os_enumerate_filesystem and the procedures xp_fixeddrives and xp_dirtree. The
// views and the function exist from SQL Server 2017 on and need VIEW SERVER STATE; the
// procedures exist in every release and need EXECUTE, which a restricted login lacks.
namespace devserver::host_views {

// NULL for a property the release does not have.
Value serverProperty(const Value& property, const Context& context);

// The view a name refers to, or nothing when it names none of these.
std::optional<Relation> view(const syntax::ObjectName& name, const Context& context);
// The rows of a table-valued function called in FROM; throws 208 for an unknown one.
Relation tableFunction(const syntax::ObjectName& name, const std::vector<Value>& arguments,
                       const Context& context);

// Runs xp_fixeddrives or xp_dirtree; false when the procedure is neither.
bool runProcedure(const std::u16string& procedure, const std::vector<Value>& arguments,
                  const Context& context);

}  // namespace devserver::host_views

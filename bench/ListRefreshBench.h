#pragma once

#include <string>

#include "Report.h"
#include "ToolWindow.h"

namespace bench {

// LoadDbList into the shown window's C_DbList against a plain ODBC loop that sends the
// same query and fetches every name, alternating the two. Throws when either sees other
// than `expectedNames` names.
TimedComparison compareListRefresh(const ServerLogin& login, int expectedNames, int runs,
                                   std::string title);

}  // namespace bench

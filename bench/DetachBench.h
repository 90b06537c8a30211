#pragma once

#include <QString>

#include "Report.h"
#include "ToolWindow.h"

namespace bench {

// One detach through the tool (detachDatabase on the connected window: eviction batch,
// detach statement, list refill) against the same three texts through plain ODBC,
// alternating. The tool detaches `toolVictim` and the baseline `baselineVictim`, two
// databases whose files lie in the server's data folder under their own names; each is
// attached again after its detach, outside the timed part, so every run meets the same
// list.
TimedComparison compareDetach(const ServerLogin& login, const QString& toolVictim,
                              const QString& baselineVictim, int runs);

}  // namespace bench

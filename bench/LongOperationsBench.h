#pragma once

#include <QString>

#include "Report.h"
#include "ToolWindow.h"

namespace bench {

// A quick operation through the window's connection, which runs every call on a worker
// thread, against the same handler calling the ODBC connection directly, alternating: the
// detach of `toolVictim` through the window and of `directVictim` directly, each attached
// again after its detach, outside the timed part.
TimedComparison compareWrappedDetach(const ServerLogin& login, const QString& toolVictim,
                                     const QString& directVictim, int runs);

// What the window's thread does during a restore of about ten seconds against a server
// with an I/O rate: its longest time away from its event loop, with the tool's click
// against the restore statement called directly on that thread; and the intervals at which
// the server's progress reaches the progress area.
struct LongRestoreFigures {
    double toolLongestStallSeconds = 0;
    double directLongestStallSeconds = 0;
    double longestUpdateIntervalSeconds = 0;
    double medianUpdateIntervalSeconds = 0;
    int updates = 0;
};
LongRestoreFigures measureLongRestore(const ServerLogin& login, const QString& database,
                                      const QString& backupPath);

}  // namespace bench

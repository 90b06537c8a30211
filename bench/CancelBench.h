#pragma once

#include <QString>

#include "ToolWindow.h"

namespace bench {

// How quickly the operator is let go: the seconds from the answer "是" to the window
// idle again after a cancelled restore of `database` from `backupPath` (restored over
// and over, each run cancelled a second in).
double cancelledRestoreSeconds(const ServerLogin& login, const QString& database,
                               const QString& backupPath);

// The seconds until the window is usable again after a connect to a server that takes
// the TCP connection and never answers, with the access layer's own login time-out.
double silentLoginSeconds();

// The seconds a disconnect takes right after a backup of `database`, while the progress
// poll's helper query hangs.
double disconnectBehindStalledHelperSeconds(const ServerLogin& login, const QString& database,
                                            const QString& backupPath);

}  // namespace bench

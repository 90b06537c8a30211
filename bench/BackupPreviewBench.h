#pragma once

#include <sys/types.h>
#include <QString>

#include "Report.h"
#include "ToolWindow.h"

namespace bench {

// Selecting a backup in a restore's file dialog until its pane is filled (two listings of
// the file over the helper connection, off the window's thread), against a plain ODBC
// client sending the same two texts. `first` and `second` are selected in turn, so that
// every selection starts a read of its own.
TimedComparison comparePreviewFill(const ServerLogin& login, const QString& folder,
                                   const QString& first, const QString& second, int runs);

struct StalledPreview {
    double fillSeconds = 0;   // selection to pane filled
    double longestStall = 0;  // the longest wait of the dialog's event loop meanwhile
};
// The same while the server stands still (SIGSTOP) for `stallSeconds` from the selection.
StalledPreview previewWithStalledServer(const ServerLogin& login, pid_t serverPid,
                                        const QString& folder, const QString& file,
                                        double stallSeconds);

}  // namespace bench

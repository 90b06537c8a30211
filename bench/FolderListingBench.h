#pragma once

#include <string>

#include "Report.h"
#include "ToolWindow.h"

namespace bench {

// A server folder of `entries` entries listed by the file dialog's own path over the
// helper connection (query, entries, filter, sort), and shown in the dialog (the same, off
// the window's thread, then the list refilled), each against a plain ODBC client sending
// the same query and reading every column of every row, alternating. Throws when any of
// them sees another number of entries.
std::vector<TimedComparison> compareFolderListing(const ServerLogin& login, const QString& folder,
                                                  int entries, int runs,
                                                  const std::string& entriesText);

}  // namespace bench

#pragma once

#include <string>

#include "Report.h"
#include "ToolWindow.h"

namespace bench {

// Fresh processes of the window program (BENCH_WINDOW_PATH), each ending on its first
// paint: the tool's window against a bare QWidget of the same size.
TimedComparison compareStartup(int runs);
// The same against a bare window that shows one Chinese caption in the tool's typeface,
// which tells the cost of the window's own controls from the cost of showing text at all.
TimedComparison compareStartupWithCaption(int runs);

// The peak resident memory of a process that shows the bare window, or the bare window
// with one caption; the median of `runs`.
MemoryFigure barePeakMemory(int runs);
MemoryFigure captionPeakMemory(int runs);
// The same for the tool's window before it connects.
MemoryFigure unconnectedToolPeakMemory(int runs);

// The peak resident memory of a process that shows the tool's window connected to the
// server, with `expectedNames` databases in C_DbList; the median of `runs`.
MemoryFigure toolPeakMemory(const ServerLogin& login, int expectedNames, int runs,
                            std::string title);

}  // namespace bench

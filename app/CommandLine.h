#pragma once

#include <optional>

// What the command line asks for before any window opens. "--version" and "--help" are
// answered on the terminal and need no display; a start without a display, or with an
// argument the tool does not know, ends with a one-line reason on stderr.
// Returns the exit code when the process ends here, nothing when the window may open.
std::optional<int> answerCommandLine(int argc, char** argv);

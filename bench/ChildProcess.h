#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace bench {

struct ChildRun {
    double seconds = 0;  // from just before fork to the moment the child was reaped
    std::string output;  // what it wrote to its standard output
};

// Runs a program to its end and measures it. Throws std::runtime_error when it cannot be
// started, does not end within `timeout` (it is then killed) or ends other than with 0.
ChildRun runChild(const std::vector<std::string>& argv, std::chrono::milliseconds timeout);

}  // namespace bench

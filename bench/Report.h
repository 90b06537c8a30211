#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace bench {

// One timed comparison: the tool's path against its baseline, sampled in alternation.
struct TimedComparison {
    std::string title;
    std::vector<double> toolSeconds;
    std::vector<double> baselineSeconds;
    double target = 0;  // the ratio of medians the tool should stay within; 0 for none

    double ratio() const;
};

struct MemoryFigure {
    std::string title;
    double mebibytes = 0;
};

struct Report {
    std::vector<TimedComparison> timed;
    MemoryFigure bareWindow;
    std::vector<MemoryFigure> tool;
    std::vector<std::string> notes;
};

// CPU model, cores and memory of this machine, as /proc reports them.
std::string machineDescription();

void print(const Report& report, std::ostream& out);

}  // namespace bench

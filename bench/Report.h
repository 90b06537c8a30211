#pragma once

#include <ostream>
#include <utility>
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

// Times the tool's path and its baseline in turns, each first every other run, after one
// warm-up of both, so that a slow patch of the machine falls on both alike.
template <typename Tool, typename Baseline>
TimedComparison alternately(std::string title, int runs, Tool tool, Baseline baseline) {
    TimedComparison result{std::move(title), {}, {}, 0};
    tool();
    baseline();
    for (int run = 0; run < runs; ++run) {
        if (run % 2 == 0) {
            result.toolSeconds.push_back(tool());
            result.baselineSeconds.push_back(baseline());
        } else {
            result.baselineSeconds.push_back(baseline());
            result.toolSeconds.push_back(tool());
        }
    }
    return result;
}

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

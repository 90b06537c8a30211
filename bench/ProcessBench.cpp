#include "ProcessBench.h"

#include <stdexcept>

#include "ChildProcess.h"
#include "Measure.h"

#ifndef BENCH_WINDOW_PATH
#error "BENCH_WINDOW_PATH must name the window program the process benchmarks start"
#endif

namespace bench {

namespace {

constexpr std::chrono::seconds kChildTimeout{60};

ChildRun runWindow(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{BENCH_WINDOW_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runChild(argv, kChildTimeout);
}

// The window program reports its own VmHWM: the kernel's ru_maxrss for a child would also
// count the forked copy of this (much larger) process from before the exec.
double reportedPeakMebibytes(const ChildRun& run) {
    const std::string key = "peak-kib ";
    const std::size_t at = run.output.find(key);
    if (at == std::string::npos) {
        throw std::runtime_error("the window program did not report its peak memory");
    }
    return std::stod(run.output.substr(at + key.size())) / 1024.0;
}

MemoryFigure peakMemory(const std::vector<std::string>& arguments, std::string title, int runs) {
    std::vector<double> mebibytes;
    for (int run = 0; run < runs; ++run) {
        mebibytes.push_back(reportedPeakMebibytes(runWindow(arguments)));
    }
    return {std::move(title), median(mebibytes)};
}

// Alternates fresh tool processes with fresh processes of the baseline kind.
TimedComparison compareStartupWith(const std::string& baselineMode, std::string title,
                                   double target, int runs) {
    TimedComparison result{std::move(title), {}, {}, target};
    auto tool = [&] { result.toolSeconds.push_back(runWindow({"tool"}).seconds); };
    auto baseline = [&] { result.baselineSeconds.push_back(runWindow({baselineMode}).seconds); };
    // The first start of each pays for reading the libraries and fonts from disk.
    runWindow({"tool"});
    runWindow({baselineMode});
    for (int run = 0; run < runs; ++run) {
        if (run % 2 == 0) {
            tool();
            baseline();
        } else {
            baseline();
            tool();
        }
    }
    return result;
}

}  // namespace

TimedComparison compareStartup(int runs) {
    return compareStartupWith("bare", "Start-up to first paint (fresh process)", 1.5, runs);
}

TimedComparison compareStartupWithCaption(int runs) {
    return compareStartupWith("caption", "  the same against a window with one caption", 0, runs);
}

MemoryFigure barePeakMemory(int runs) {
    return peakMemory({"bare"}, "Bare Qt window (QWidget 589x492)", runs);
}

MemoryFigure captionPeakMemory(int runs) {
    return peakMemory({"caption"}, "  the same with one caption", runs);
}

MemoryFigure unconnectedToolPeakMemory(int runs) {
    return peakMemory({"tool"}, "Tool, not connected", runs);
}

MemoryFigure toolPeakMemory(const ServerLogin& login, int expectedNames, int runs,
                            std::string title) {
    return peakMemory(
        {"connected", std::to_string(login.port), login.saPassword, std::to_string(expectedNames)},
        std::move(title), runs);
}

}  // namespace bench

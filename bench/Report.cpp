#include "Report.h"

#include <unistd.h>

#include <fstream>
#include <iomanip>
#include <sstream>

#include "Measure.h"

namespace bench {

namespace {

constexpr int kTitleWidth = 46;

std::string firstValue(const std::string& file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) {
            const std::size_t start = line.find_first_not_of(" \t", line.find(':') + 1);
            return start == std::string::npos ? std::string() : line.substr(start);
        }
    }
    return "unknown";
}

std::string fixed(double value, int decimals) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(decimals) << value;
    return text.str();
}

std::string milliseconds(double seconds) {
    return fixed(seconds * 1000, seconds < 0.1 ? 2 : 1);
}

void printTimes(const std::vector<TimedComparison>& rows, std::ostream& out) {
    out << std::left << std::setw(kTitleWidth) << "Time (median)" << std::right << std::setw(6)
        << "runs" << std::setw(12) << "tool ms" << std::setw(13) << "baseline ms" << std::setw(8)
        << "ratio" << std::setw(9) << "target"
        << "\n";
    for (const TimedComparison& row : rows) {
        const double ratio = row.ratio();
        out << std::left << std::setw(kTitleWidth) << row.title << std::right << std::setw(6)
            << row.toolSeconds.size() << std::setw(12) << milliseconds(median(row.toolSeconds))
            << std::setw(13) << milliseconds(median(row.baselineSeconds)) << std::setw(8)
            << fixed(ratio, 2);
        if (row.target > 0) {
            out << std::setw(9) << "<= " + fixed(row.target, 2) << "  "
                << (ratio <= row.target ? "met" : "MISSED");
        } else {
            out << std::setw(9) << "-";
        }
        out << "\n";
    }
}

void printMemory(const MemoryFigure& bare, const std::vector<MemoryFigure>& tool,
                 std::ostream& out) {
    out << std::left << std::setw(kTitleWidth) << "Peak resident memory (median)" << std::right
        << std::setw(10) << "MiB" << std::setw(22) << "ratio to bare window"
        << "\n";
    out << std::left << std::setw(kTitleWidth) << bare.title << std::right << std::setw(10)
        << fixed(bare.mebibytes, 1) << std::setw(22) << "1.00"
        << "\n";
    for (const MemoryFigure& figure : tool) {
        out << std::left << std::setw(kTitleWidth) << figure.title << std::right << std::setw(10)
            << fixed(figure.mebibytes, 1) << std::setw(22)
            << fixed(figure.mebibytes / bare.mebibytes, 2) << "\n";
    }
}

}  // namespace

double TimedComparison::ratio() const {
    return median(toolSeconds) / median(baselineSeconds);
}

std::string machineDescription() {
    std::ostringstream text;
    text << firstValue("/proc/cpuinfo", "model name") << ", " << ::sysconf(_SC_NPROCESSORS_ONLN)
         << " cores, " << firstValue("/proc/meminfo", "MemTotal") << " RAM";
    return text.str();
}

void print(const Report& report, std::ostream& out) {
    out << "Machine: " << machineDescription() << "\n";
    if (!report.timed.empty()) {
        out << "\n";
        printTimes(report.timed, out);
    }
    if (!report.tool.empty()) {
        out << "\n";
        printMemory(report.bareWindow, report.tool, out);
    }
    if (!report.notes.empty()) {
        out << "\n";
        for (const std::string& note : report.notes) {
            out << "* " << note << "\n";
        }
    }
}

}  // namespace bench

// Runs the benchmarks against development servers on loopback and prints the table.
//   dbtool_bench [--runs N] [--quick-runs N] [--process-runs N] [--memory-runs N]
//                [--only list|detach|encryption|folder|startup|memory|longops|preview|cancel]
// Each comparison alternates the tool's path with its baseline in the same run; the
// figures are medians, and nothing here passes or fails on a figure.

#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <map>
#include <string>

#include "Report.h"
#include "Stages.h"
#include "ToolTestEnvironment.h"
#include "TrustBench.h"

namespace {

using Stage = void (*)(const bench::Settings&, bench::Report&);

const std::map<std::string, Stage> kStages{
    {"list", bench::runListRefresh},       {"detach", bench::runDetach},
    {"encryption", bench::runEncryption},  {"folder", bench::runFolderListing},
    {"startup", bench::runStartup},        {"memory", bench::runPeakMemory},
    {"longops", bench::runLongOperations}, {"preview", bench::runBackupPreview},
    {"cancel", bench::runCancel},
};
const std::vector<std::string> kOrder{"list",    "detach",  "encryption", "folder", "startup",
                                      "memory",  "longops", "preview",    "cancel"};

struct CommandLine {
    bench::Settings settings;
    std::vector<std::string> stages = kOrder;
};

int positiveCount(const std::string& option, const std::string& value) {
    const int count = std::stoi(value);
    if (count < 1) {
        throw std::invalid_argument(option + " needs a positive count");
    }
    return count;
}

CommandLine parse(int argc, char* argv[]) {
    CommandLine line;
    if (argc % 2 == 0) {
        throw std::invalid_argument("every option takes a value");
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--runs") {
            line.settings.runs = positiveCount(option, value);
        } else if (option == "--quick-runs") {
            line.settings.quickRuns = positiveCount(option, value);
        } else if (option == "--process-runs") {
            line.settings.processRuns = positiveCount(option, value);
        } else if (option == "--memory-runs") {
            line.settings.memoryRuns = positiveCount(option, value);
        } else if (option == "--only" && kStages.contains(value)) {
            line.stages = {value};
        } else {
            throw std::invalid_argument("unknown option " + option + " " + value);
        }
    }
    return line;
}

// The development servers keep their data folders under the temporary directory. In
// memory, a detach's file writes cost the same every time; on a shared disk their
// latency varies by milliseconds and would drown the client's share being measured.
void keepServerDataInMemory() {
    if (std::getenv("TMPDIR") == nullptr && ::access("/dev/shm", W_OK) == 0) {
        ::setenv("TMPDIR", "/dev/shm", 1);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    keepServerDataInMemory();
    // The tool's trust as in the tests, with the system's whole bundle to load.
    prepareToolTestEnvironment();
    bench::useSystemBundleWithTestAuthority();
    try {
        const CommandLine line = parse(argc, argv);
        QApplication app(argc, argv);
        bench::Report report;
        for (const std::string& stage : line.stages) {
            kStages.at(stage)(line.settings, report);
        }
        bench::print(report, std::cout);
        return EXIT_SUCCESS;
    } catch (const std::exception& error) {
        std::cerr << "bench: " << error.what() << std::endl;
        return EXIT_FAILURE;
    }
}

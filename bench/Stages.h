#pragma once

#include "Report.h"

// The benchmarks as the driver runs them; each starts the development servers it
// needs and adds its rows to the report.
namespace bench {

struct Settings {
    int runs = 31;         // samples of each path for the full instance's list refresh
    int quickRuns = 201;   // samples of each path for the millisecond comparisons
    int processRuns = 31;  // fresh processes of each kind for the start-up
    int memoryRuns = 5;    // fresh processes of each kind for the memory peaks
};

void runListRefresh(const Settings& settings, Report& report);
void runDetach(const Settings& settings, Report& report);
void runEncryption(const Settings& settings, Report& report);
void runStartup(const Settings& settings, Report& report);
void runPeakMemory(const Settings& settings, Report& report);
void runFolderListing(const Settings& settings, Report& report);
void runLongOperations(const Settings& settings, Report& report);
void runBackupPreview(const Settings& settings, Report& report);
void runCancel(const Settings& settings, Report& report);

}  // namespace bench

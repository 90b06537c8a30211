#include "Stages.h"

#include <QStringList>
#include <fstream>
#include <iostream>

#include "BackupPreviewBench.h"
#include "CancelBench.h"
#include "DetachBench.h"
#include "EncryptionBench.h"
#include "FolderListingBench.h"
#include "ListRefreshBench.h"
#include "LongOperationsBench.h"
#include "Measure.h"
#include "PlainOdbc.h"
#include "ProcessBench.h"
#include "operations/Statements.h"
#include "support/DevServerProcess.h"
#include "TrustBench.h"

namespace bench {

namespace {

const std::string kPassword = "Bench#Passw0rd";
// One instance holds database ids up to 32,767 and the four system databases take the
// first ids; asked for more, the server seeds until every id is taken.
constexpr int kFullInstance = 32767;
// The databases on the server each detach run meets.
constexpr int kDetachCatalogue = 100;
// The server folder the file dialog lists: folders and backup files, all of them shown.
constexpr int kFolderFolders = 500;
constexpr int kFolderBackups = 9500;

void progress(const std::string& stage) {
    std::cerr << "bench: " << stage << std::endl;
}

std::string grouped(std::size_t number) {
    const std::string digits = std::to_string(number);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return text;
}

// A development server seeded with `databases` user databases, and the names it lists.
struct SeededServer {
    explicit SeededServer(int databases)
        : process(DevServerProcess::Options{kPassword, databases}),
          login{process.port(), process.saPassword()} {
        PlainOdbc client(login.odbcConnectionString());
        for (const std::u16string& name : client.firstColumn(catalogueQuery().toStdU16String())) {
            names << QString::fromStdU16String(name);
        }
    }
    int count() const { return static_cast<int>(names.size()); }

    DevServerProcess process;
    ServerLogin login;
    QStringList names;
};

}  // namespace

void runListRefresh(const Settings& settings, Report& report) {
    for (const int databases : {1000, kFullInstance}) {
        progress(databases == kFullInstance ? "list refresh, a full instance"
                                            : "list refresh, " + grouped(databases) + " databases");
        const auto start = Clock::now();
        const SeededServer server(databases);
        const double seedSeconds = secondsSince(start);
        const int runs = databases == kFullInstance ? settings.runs : settings.quickRuns;
        report.timed.push_back(
            compareListRefresh(server.login, server.count(), runs,
                               "List refresh, " + grouped(server.count()) + " databases"));
        if (databases == kFullInstance) {
            report.notes.push_back(
                "A full instance holds " + grouped(server.count()) +
                " user databases (ids 5 to 32,767 after the four system databases); seeding "
                "and listing them took " +
                std::to_string(static_cast<int>(seedSeconds * 1000)) + " ms.");
        }
    }
}

void runDetach(const Settings& settings, Report& report) {
    progress("detach");
    const SeededServer server(kDetachCatalogue);
    report.timed.push_back(
        compareDetach(server.login, server.names.at(0), server.names.at(1), settings.quickRuns));
    report.notes.push_back("Each detach meets a list of " + grouped(server.names.size()) +
                           " databases and refills it with one fewer.");
}

void runEncryption(const Settings& settings, Report& report) {
    progress("encryption");
    const SeededServer server(kDetachCatalogue);
    report.timed.push_back(compareConnectEncryption(server.login, settings.quickRuns));
    report.timed.push_back(compareDetachEncryption(server.login, server.names.at(2),
                                                   server.names.at(3), settings.quickRuns));
    report.notes.push_back(
        "Encrypted vs clear: the same plain ODBC client with the tool's connection string "
        "(Encryption=require, TLS 1.2) and with encryption off, to one server; the tool "
        "column is the encrypted one.");
    for (TimedComparison& comparison : compareConnectTrust(settings.quickRuns)) {
        report.timed.push_back(std::move(comparison));
    }
    report.notes.push_back(
        "Checked vs unchecked: the tool's connection string, its section naming the system's "
        "CA bundle (with the tests' authority added) or a pinned certificate, against the "
        "string before any check (SERVER=host,port, no CA file); the tool column is the "
        "checked one.");
}

void runStartup(const Settings& settings, Report& report) {
    progress("start-up");
    report.timed.push_back(compareStartup(settings.processRuns));
    report.timed.push_back(compareStartupWithCaption(settings.processRuns));
}

void runPeakMemory(const Settings& settings, Report& report) {
    progress("peak memory");
    report.bareWindow = barePeakMemory(settings.memoryRuns);
    report.tool.push_back(captionPeakMemory(settings.memoryRuns));
    report.tool.push_back(unconnectedToolPeakMemory(settings.memoryRuns));
    for (const int databases : {0, kFullInstance}) {
        const SeededServer server(databases);
        report.tool.push_back(toolPeakMemory(
            server.login, server.count(), settings.memoryRuns,
            "Tool connected, " + grouped(server.names.size()) + " databases listed"));
    }
}

void runFolderListing(const Settings& settings, Report& report) {
    progress("server folder listing");
    const DevServerProcess server(
        DevServerProcess::Options{.saPassword = kPassword, .windowsHost = true});
    const std::filesystem::path folder = server.root() / "big";
    for (int i = 0; i < kFolderFolders; ++i) {
        std::filesystem::create_directories(folder / ("Archive " + std::to_string(i)));
    }
    for (int i = 0; i < kFolderBackups; ++i) {
        std::ofstream(folder / ("Shop_" + std::to_string(100000 + i) + ".bak")) << "x";
    }
    const int entries = kFolderFolders + kFolderBackups;
    for (TimedComparison& row :
         compareFolderListing({server.port(), server.saPassword()}, QStringLiteral("D:\\big\\"),
                              entries, settings.runs, grouped(entries) + " entries")) {
        report.timed.push_back(std::move(row));
    }
    report.notes.push_back(
        "The server folder holds " + grouped(kFolderFolders) + " folders and " +
        grouped(kFolderBackups) +
        " .bak files on a development server posing as a Windows host (D:\\big\\); the "
        "baseline sends the dialog's own query and reads every column of every row.");
}

void runLongOperations(const Settings& settings, Report& report) {
    progress("long operations: a quick detach through the worker thread");
    {
        const SeededServer server(kDetachCatalogue);
        report.timed.push_back(compareWrappedDetach(server.login, server.names.at(2),
                                                    server.names.at(3), settings.quickRuns));
    }

    progress("long operations: a restore of about ten seconds");
    // The backup is taken on a server without a rate, which would otherwise spend ten
    // seconds on it too; the restore goes to a server of 20 MB/s, over a database of the
    // same name in simple recovery, which a plain restore may replace.
    constexpr double kRate = 20;  // MB/s: 200 MB take ten seconds
    DevServerProcess source(DevServerProcess::Options{kPassword, 0});
    const QString backup = QString::fromStdString((source.dataDir() / "Big.bak").string());
    {
        PlainOdbc client(ServerLogin{source.port(), kPassword}.odbcConnectionString());
        const std::string file = (source.dataDir() / "Big.mdf").string();
        client.execute(
            QStringLiteral("CREATE DATABASE Big ON PRIMARY (NAME = Big, FILENAME = '%1', "
                           "SIZE = 200MB) LOG ON (NAME = Big_log, FILENAME = '%2')")
                .arg(QString::fromStdString(file),
                     QString::fromStdString((source.dataDir() / "Big_log.ldf").string()))
                .toStdU16String());
        client.execute(QStringLiteral("BACKUP DATABASE Big TO DISK = '%1' WITH FORMAT")
                           .arg(backup)
                           .toStdU16String());
    }
    DevServerProcess target(DevServerProcess::Options{kPassword, 0, kRate});
    const ServerLogin login{target.port(), kPassword};
    {
        PlainOdbc client(login.odbcConnectionString());
        client.execute(u"CREATE DATABASE Big");
        client.execute(u"ALTER DATABASE Big SET RECOVERY SIMPLE");
    }
    const LongRestoreFigures figures = measureLongRestore(login, QStringLiteral("Big"), backup);
    auto ms = [](double seconds) { return std::to_string(static_cast<int>(seconds * 1000 + 0.5)); };
    report.notes.push_back(
        "Restore of 200 MB at 20 MB/s: the window's event loop was away " +
        ms(figures.toolLongestStallSeconds) + " ms at the longest with the tool's click, " +
        ms(figures.directLongestStallSeconds) +
        " ms with the restore called on its thread (ratio " +
        std::to_string(figures.toolLongestStallSeconds / figures.directLongestStallSeconds)
            .substr(0, 6) +
        "; target: at most 50 ms).");
    report.notes.push_back("The same restore: " + std::to_string(figures.updates) +
                           " server figures reached the progress area, at most " +
                           ms(figures.longestUpdateIntervalSeconds) + " ms apart (median " +
                           ms(figures.medianUpdateIntervalSeconds) + " ms; ratio to the 1-s poll " +
                           std::to_string(figures.longestUpdateIntervalSeconds).substr(0, 4) +
                           "; target: at most 1,500 ms).");
}

void runBackupPreview(const Settings& settings, Report& report) {
    progress("backup preview in the file dialog");
    const DevServerProcess server(
        DevServerProcess::Options{.saPassword = kPassword, .windowsHost = true});
    const ServerLogin login{server.port(), server.saPassword()};
    std::filesystem::create_directories(server.root() / "samples");
    {
        PlainOdbc client(login.odbcConnectionString());
        for (const std::u16string name : {u"Shop", u"Sales"}) {
            client.execute(u"CREATE DATABASE " + name);
            client.execute(u"BACKUP DATABASE " + name + u" TO DISK = 'D:\\samples\\" + name +
                           u".bak'");
        }
    }
    const QString folder = QStringLiteral("D:\\samples\\");
    report.timed.push_back(comparePreviewFill(login, folder, QStringLiteral("Shop.bak"),
                                              QStringLiteral("Sales.bak"), settings.quickRuns));
    const double fill = median(report.timed.back().toolSeconds);

    progress("backup preview with a server that stands still for a second");
    constexpr double kStall = 1.0;
    const StalledPreview stalled =
        previewWithStalledServer(login, server.pid(), folder, QStringLiteral("Sales.bak"), kStall);
    report.notes.push_back(
        "Backup preview: selecting a .bak in a restore's file dialog fills the pane in " +
        std::to_string(static_cast<int>(fill * 1000 + 0.5)) +
        " ms (median; target 300 ms). With the server stopped (SIGSTOP) for " +
        std::to_string(static_cast<int>(kStall * 1000)) +
        " ms from the selection, the pane was "
        "filled after " +
        std::to_string(static_cast<int>(stalled.fillSeconds * 1000 + 0.5)) +
        " ms and the dialog's event loop never waited longer than " +
        std::to_string(static_cast<int>(stalled.longestStall * 1000 + 0.5)) +
        " ms (target 50 ms).");
}

void runCancel(const Settings& settings, Report& report) {
    progress("cancel: restores of 200 MB at 20 MB/s, each cancelled a second in");
    constexpr double kRate = 20;
    DevServerProcess server(DevServerProcess::Options{kPassword, 0, kRate});
    const ServerLogin login{server.port(), kPassword};
    const QString backup = QString::fromStdString((server.dataDir() / "Big.bak").string());
    {
        // Backed up once, ten seconds under the rate; every restore then starts from it.
        PlainOdbc client(login.odbcConnectionString());
        client.execute(
            QStringLiteral("CREATE DATABASE Big ON PRIMARY (NAME = Big, FILENAME = '%1', "
                           "SIZE = 200MB) LOG ON (NAME = Big_log, FILENAME = '%2')")
                .arg(QString::fromStdString((server.dataDir() / "Big.mdf").string()),
                     QString::fromStdString((server.dataDir() / "Big_log.ldf").string()))
                .toStdU16String());
        client.execute(u"ALTER DATABASE Big SET RECOVERY SIMPLE");
        client.execute(QStringLiteral("BACKUP DATABASE Big TO DISK = '%1' WITH FORMAT")
                           .arg(backup)
                           .toStdU16String());
    }
    std::vector<double> cancels;
    for (int run = 0; run < std::min(settings.memoryRuns, 5); ++run) {
        cancels.push_back(cancelledRestoreSeconds(login, QStringLiteral("Big"), backup));
    }
    auto ms = [](double seconds) { return std::to_string(static_cast<int>(seconds * 1000 + 0.5)); };
    report.notes.push_back("Cancel of a throttled restore, from \"是\" to the window idle again: " +
                           ms(median(cancels)) + " ms median of " + std::to_string(cancels.size()) +
                           " (ratio to the target " +
                           std::to_string(median(cancels) / 1.0).substr(0, 4) +
                           "; target: at most 1,000 ms).");

    progress("cancel: a disconnect while the helper's query hangs");
    std::vector<double> disconnects;
    const QString target = QString::fromStdString((server.dataDir() / "Mid.bak").string());
    {
        // 20 MB: a backup of a second, long enough for the progress poll to start.
        PlainOdbc client(login.odbcConnectionString());
        client.execute(QStringLiteral("CREATE DATABASE Mid ON PRIMARY (NAME = Mid, FILENAME = "
                                      "'%1', SIZE = 20MB)")
                           .arg(QString::fromStdString((server.dataDir() / "Mid.mdf").string()))
                           .toStdU16String());
    }
    for (int run = 0; run < std::min(settings.memoryRuns, 5); ++run) {
        disconnects.push_back(
            disconnectBehindStalledHelperSeconds(login, QStringLiteral("Mid"), target));
    }
    report.notes.push_back(
        "Disconnect while a helper query hangs: " + ms(median(disconnects)) + " ms median of " +
        std::to_string(disconnects.size()) + " (ratio to the target " +
        std::to_string(median(disconnects) / 0.5).substr(0, 4) + "; target: at most 500 ms).");

    progress("cancel: a login to a server that never answers (15 s)");
    const double silent = silentLoginSeconds();
    report.notes.push_back("Login to a silent server, until the window is usable again: " +
                           ms(silent) + " ms (ratio to 15 s " +
                           std::to_string(silent / 15.0).substr(0, 5) + "; target: 15 s ± 1 s).");
}

}  // namespace bench

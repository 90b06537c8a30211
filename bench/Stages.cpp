#include "Stages.h"

#include <QStringList>
#include <fstream>
#include <iostream>

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

}  // namespace bench

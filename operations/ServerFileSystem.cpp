#include "ServerFileSystem.h"

#include "ServerFileQueries.h"
#include "ServerPaths.h"
#include "session/Connection.h"
#include "session/DatabaseError.h"

namespace server_files {

namespace {

constexpr int kFirstReleaseWithHostViews = 14;  // SQL Server 2017
const QString kWindowsPlatform = QStringLiteral("Windows");

ServerEntry entryOf(ServerEntry::Kind kind, const QString& name) {
    ServerEntry entry;
    entry.kind = kind;
    entry.name = name;
    return entry;
}

bool hasHostViews(const HostFacts& host) {
    return host.majorVersion >= kFirstReleaseWithHostViews;
}

// The view when the release has it, else the procedure; the view's error wins when both
// fail or when the procedure finds nothing, since an empty answer gives no reason.
template <typename ReadView, typename ReadProcedure>
std::vector<ServerEntry> preferView(const HostFacts& host, ReadView readView,
                                    ReadProcedure readProcedure) {
    if (!hasHostViews(host)) {
        return readProcedure();
    }
    try {
        return readView();
    } catch (const DatabaseError& viewError) {
        try {
            std::vector<ServerEntry> entries = readProcedure();
            if (!entries.empty()) {
                return entries;
            }
        } catch (const DatabaseError&) {
        }
        throw viewError;
    }
}

std::vector<ServerEntry> drivesFromView(Connection& conn) {
    const ResultSet rows = conn.query(fixedDrivesQuery());
    std::vector<ServerEntry> drives;
    for (qsizetype i = 0; i < rows.rowCount(); ++i) {
        ServerEntry drive = entryOf(ServerEntry::Kind::Drive, rows.field(i, 0));
        drive.freeMegabytes = rows.field(i, 1).toLongLong();
        drives.push_back(drive);
    }
    return drives;
}

std::vector<ServerEntry> drivesFromProcedure(Connection& conn) {
    const ResultSet rows = conn.query(fixedDrivesProcedure());
    std::vector<ServerEntry> drives;
    for (qsizetype i = 0; i < rows.rowCount(); ++i) {
        ServerEntry drive =
            entryOf(ServerEntry::Kind::Drive, rows.field(i, 0).trimmed() + QStringLiteral(":\\"));
        drive.freeMegabytes = rows.field(i, 1).toLongLong();
        drives.push_back(drive);
    }
    return drives;
}

std::vector<ServerEntry> entriesFromView(Connection& conn, const QString& folder) {
    const ResultSet rows = conn.query(folderEntriesQuery(folder));
    std::vector<ServerEntry> entries;
    entries.reserve(static_cast<std::size_t>(rows.rowCount()));
    for (qsizetype i = 0; i < rows.rowCount(); ++i) {
        const QStringList& row = rows.rows()[i];
        const bool directory = row[1].toInt() != 0;
        ServerEntry entry =
            entryOf(directory ? ServerEntry::Kind::Folder : ServerEntry::Kind::File, row[0]);
        if (!directory) {
            entry.sizeBytes = row[2].toLongLong();
        }
        entry.modified = row[3];
        entries.push_back(entry);
    }
    return entries;
}

std::vector<ServerEntry> entriesFromProcedure(Connection& conn, const QString& folder) {
    const ResultSet rows = conn.query(folderTreeProcedure(folder));
    std::vector<ServerEntry> entries;
    entries.reserve(static_cast<std::size_t>(rows.rowCount()));
    for (qsizetype i = 0; i < rows.rowCount(); ++i) {
        const QStringList& row = rows.rows()[i];
        const bool file = row[2].toInt() != 0;
        entries.push_back(
            entryOf(file ? ServerEntry::Kind::File : ServerEntry::Kind::Folder, row[0]));
    }
    return entries;
}

}  // namespace

HostFacts readHostFacts(Connection& conn) {
    const ResultSet properties = conn.query(hostPropertiesQuery());
    HostFacts host;
    host.majorVersion = properties.field(0, 0).section(u'.', 0, 0).toInt();
    const QString& separator = properties.field(0, 1);
    if (hasHostViews(host)) {
        host.windows = conn.query(hostPlatformQuery()).field(0, 0) == kWindowsPlatform;
    }
    host.separator = separator.isEmpty() ? (host.windows ? u'\\' : u'/') : separator.front();
    host.dataFolder = server_paths::asFolder(properties.field(0, 2), host.separator);
    host.logFolder = server_paths::asFolder(properties.field(0, 3), host.separator);
    host.backupFolder = server_paths::asFolder(properties.field(0, 4), host.separator);
    // Releases before SQL Server 2019 do not name a backup folder; backups then start
    // beside the data.
    if (host.logFolder.isEmpty()) {
        host.logFolder = host.dataFolder;
    }
    if (host.backupFolder.isEmpty()) {
        host.backupFolder = host.dataFolder;
    }
    return host;
}

std::vector<ServerEntry> readDrives(Connection& conn, const HostFacts& host) {
    return preferView(
        host, [&] { return drivesFromView(conn); }, [&] { return drivesFromProcedure(conn); });
}

std::vector<ServerEntry> readFolder(Connection& conn, const HostFacts& host,
                                    const QString& folder) {
    return preferView(
        host, [&] { return entriesFromView(conn, folder); },
        [&] { return entriesFromProcedure(conn, folder); });
}

}  // namespace server_files

#pragma once

#include <QString>
#include <vector>

class Connection;

// What the server tells about its host, read once each time the file dialog opens.
struct HostFacts {
    int majorVersion = 0;  // 16 for SQL Server 2022; 0 when the server did not say
    bool windows = true;
    QChar separator = u'\\';
    // The instance's default folders, with their closing separator; empty when unknown.
    QString dataFolder;
    QString logFolder;
    QString backupFolder;
};

struct ServerEntry {
    enum class Kind { Drive, Folder, File };
    Kind kind = Kind::File;
    QString name;               // a drive as "D:\"
    qint64 sizeBytes = -1;      // files; -1 when the server does not tell
    qint64 freeMegabytes = -1;  // drives
    QString modified;           // "yyyy-mm-dd hh:mi"; empty when the server does not tell
};

// Reading the server's file system through the server's own facilities. Each reader prefers
// the views of SQL Server 2017 and later and falls back to the extended procedures that
// every release has; when both fail, or the fallback lists nothing, the view's own error is
// raised, since it carries the server's reason (refused, missing, unreadable).
namespace server_files {

HostFacts readHostFacts(Connection& conn);
// Windows hosts only: the fixed drives with their free space.
std::vector<ServerEntry> readDrives(Connection& conn, const HostFacts& host);
// The folder's own folders and files, in the order the server gives them.
std::vector<ServerEntry> readFolder(Connection& conn, const HostFacts& host, const QString& folder);

}  // namespace server_files

#pragma once

#include <QString>

// Paths as the server's machine writes them: "D:\data\Shop.mdf" on a Windows host,
// "/var/opt/mssql/data/Shop.mdf" on a Linux host. Folders are kept with their closing
// separator, as the server gives its default folders.
namespace server_paths {

// "D:\…", "D:/…", "\\host\share\…" or "/…".
bool isAbsolute(const QString& path);
bool endsWithSeparator(const QString& path);

// What follows the last '\' or '/': the file title.
QString title(const QString& path);
// Everything up to and including the last separator; empty when there is none.
QString folderOf(const QString& path);

// The folder with a closing separator; an empty folder stays empty.
QString asFolder(const QString& folder, QChar separator);
// A name inside a folder; the folder's own separator is kept as it is written.
QString joined(const QString& folder, const QString& name, QChar separator);
// "D:\data\" → "D:\", "D:\" → "" (the drives), "/var/opt/" → "/var/", "/" → "/".
QString parentOf(const QString& folder);

// A name against a pattern of '*' and '?' such as "*.bak", without regard to case.
bool matchesPattern(const QString& name, const QString& pattern);

}  // namespace server_paths

#pragma once

#include <QString>

// Paths as the server's machine writes them: most servers run on Windows.
namespace file_names {

// "D:\data\x.mdf", "D:/x.mdf" or "\\host\share\x.bak".
bool isWindowsAbsolutePath(const QString& path);

// What follows the last '\' or '/'.
QString fileTitle(const QString& path);

// "数据库文件(*.mdf)|*.mdf" → the Qt name filter that shows the description and lists
// the files the pattern selects.
QString qtNameFilter(const QString& filter);

}  // namespace file_names

#pragma once

#include <QString>

// The texts with which the file dialog asks the server about its host and the host's
// files. They go over the helper connection only, never over the tool's own session.
// Every value passes through literal() (SqlValues.h).

// Release, separator and default folders in one row: product_version, path_separator,
// data_folder, log_folder, backup_folder. A property the release lacks reads as NULL.
QString hostPropertiesQuery();
// host_platform: "Windows" or "Linux". SQL Server 2017 and later.
QString hostPlatformQuery();

// fixed_drive_path ("D:\"), free_megabytes. SQL Server 2017 CU1 and later.
QString fixedDrivesQuery();
// drive ("D"), "MB free". Every release on Windows.
QString fixedDrivesProcedure();

// The folder's own entries: file_or_directory_name, is_directory, size_in_bytes,
// last_write_time ("yyyy-mm-dd hh:mi"). SQL Server 2017 and later.
QString folderEntriesQuery(const QString& folder);
// The folder's own entries: subdirectory, depth, file (1 for a file). Every release.
QString folderTreeProcedure(const QString& folder);

// One row per backup set of the file, in SQL Server's RESTORE HEADERONLY columns.
QString backupHeaderQuery(const QString& backupPath);

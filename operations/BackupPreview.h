#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "BackupContents.h"
#include "OperationHost.h"
#include "ServerFileSystem.h"

class HelperConnection;

// What the file dialog shows of a backup file before the operator takes it: what the file
// holds, and one plain line for each reason to look twice. Nothing here blocks a choice;
// the server has the last word when the statement runs.
struct BackupPreview {
    QStringList details;
    QStringList warnings;
};

// serverMajorVersion 0 when unknown: then no backup counts as newer.
BackupPreview describeBackup(const BackupContents& contents, const BackupCheck& check,
                             int serverMajorVersion);

// Reads the file over the helper connection. Never raises: a file the server cannot read
// is previewed with the server's own reason. Safe on any thread.
BackupPreview previewBackup(HelperConnection& helper, const QString& backupPath,
                            const BackupCheck& check, int serverMajorVersion);

// Before a backup is written WITH FORMAT over `backupPath`: the question to ask when the
// file exists, naming the backups it holds; nothing when it does not exist, or when the
// server cannot tell (then the server decides, as without the question). Never raises.
// Safe on any thread.
std::optional<QString> overwriteQuestion(HelperConnection& helper,
                                         const std::optional<HostFacts>& host,
                                         const QString& backupPath);

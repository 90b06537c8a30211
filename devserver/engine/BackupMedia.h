#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "devserver/engine/Model.h"

// A backup file: one or more backup sets, each a full copy of one database at the time of
// the backup. Appending keeps the earlier sets; set 1 is the oldest.
namespace devserver::backup_media {

// Who took a backup set, when and on which release: what RESTORE HEADERONLY tells beyond
// the database. Sets written before this was recorded read with the defaults.
inline constexpr int kDatabaseBackup = 1;  // SQL Server's BackupType codes
inline constexpr int kLogBackup = 2;

struct BackupOrigin {
    int backupType = kDatabaseBackup;
    bool copyOnly = false;
    std::u16string serverName = u"DEVSERVER";
    std::u16string userName;
    int majorVersion = 0;  // 0: not recorded
    std::string started;   // local time, yyyy-mm-dd hh:mm:ss; empty when not recorded
    std::string finished;
};

struct BackupSet {
    std::u16string database;
    std::string guid;
    Recovery recovery = Recovery::Full;
    std::vector<DatabaseFile> files;  // as they were on the server that took the backup
    Content content;
    BackupOrigin origin;
    // Options the database keeps in itself, which a restore brings back.
    std::u16string collation{};  // empty: the instance's
    UserAccess access = UserAccess::Multi;
};

std::string encode(const std::vector<BackupSet>& sets);
// Throws records::FormatError for anything that is not a backup file.
std::vector<BackupSet> decode(std::string_view bytes);

// The pages a backup holds of a file: what it uses, and all of a size given at creation; a
// log backup holds the log alone.
std::int64_t pagesOf(const BackupSet& set, const DatabaseFile& file);
std::int64_t pagesOf(const BackupSet& set);

constexpr std::int64_t kPageBytes = 8192;

// The release's internal database version (957 for SQL Server 2022), which a restore
// checks, and its version as messages show it ("16.00.1000").
int databaseVersionOf(int majorVersion);
std::u16string versionTextOf(int majorVersion);
// The local time now, as a backup set records it.
std::string localTimeNow();

}  // namespace devserver::backup_media

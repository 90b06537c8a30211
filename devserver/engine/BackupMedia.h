#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "devserver/engine/Model.h"

// A backup file: one or more backup sets, each a full copy of one database at the time of
// the backup. Appending keeps the earlier sets; set 1 is the oldest.
namespace devserver::backupmedia {

struct BackupSet {
    std::u16string database;
    std::string guid;
    Recovery recovery = Recovery::Full;
    std::vector<DatabaseFile> files;  // as they were on the server that took the backup
    Content content;
    // Options the database keeps in itself, which a restore brings back.
    std::u16string collation{};  // empty: the instance's
    UserAccess access = UserAccess::Multi;
};

std::string encode(const std::vector<BackupSet>& sets);
// Throws records::FormatError for anything that is not a backup file.
std::vector<BackupSet> decode(std::string_view bytes);

// The pages a backup holds of a file: what it uses, and all of a size given at creation.
std::int64_t pagesOf(const BackupSet& set, const DatabaseFile& file);
std::int64_t pagesOf(const BackupSet& set);

constexpr std::int64_t kPageBytes = 8192;

}  // namespace devserver::backupmedia

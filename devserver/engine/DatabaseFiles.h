#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devserver/engine/Model.h"

// What a database's own files hold: each file names its database (name and unique id), its
// own logical name, kind and file id; the primary data file also lists all the database's
// files and holds the content.
namespace devserver::database_files {

struct FileImage {
    std::u16string database;
    std::string guid;
    DatabaseFile self;                  // path left empty: a file does not know where it lies
    std::vector<DatabaseFile> members;  // primary data file only
    std::optional<Content> content;     // primary data file only
    // Primary data file only: the recovery model lives in the database, so it survives a
    // detach and attach.
    std::optional<Recovery> recovery;
    std::u16string collation{};  // primary data file only; empty: the instance's
};

std::string encode(const Database& database, const DatabaseFile& file, const Content& content);
// Throws records::FormatError for anything that is not such a file.
FileImage decode(std::string_view bytes);

bool isPrimary(const Database& database, const DatabaseFile& file);

}  // namespace devserver::database_files

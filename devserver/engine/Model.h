#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "devserver/engine/Reply.h"

// What the instance knows about its databases, in memory.
namespace devserver {

enum class Recovery { Simple, Full };
// sys.databases.user_access_desc: MULTI_USER, or SINGLE_USER (one session at a time).
enum class UserAccess { Multi, Single };
enum class FileKind { Data, Log };

struct DatabaseFile {
    int fileId = 1;
    FileKind kind = FileKind::Data;
    std::u16string logicalName;
    std::filesystem::path path;  // absolute, as the statement gave it
    // The size CREATE DATABASE gave the file, in 8-KB pages; 0 when none was given. The
    // model counts all of it as in use, so a big database costs no disk space here yet
    // takes its time to back up, restore and shrink under an I/O rate.
    std::int64_t sizePages = 0;
};

// A column of a user table has the shape of a result column. Character columns keep their
// declared length, which INSERT enforces as SQL Server does.
using TableColumn = Column;

struct Table {
    std::u16string name;
    std::vector<TableColumn> columns;
    std::vector<std::vector<Value>> rows;
};

struct Content {
    std::vector<Table> tables;
};

struct Database {
    std::u16string name;
    int id = 0;
    std::string guid;  // identifies the database in its files and backups
    Recovery recovery = Recovery::Full;
    // A full backup has been taken since the database last entered full recovery, so its
    // log must be backed up before a restore may overwrite it.
    bool logChainStarted = false;
    // The database's collation by name; empty: the instance's.
    std::u16string collation{};
    UserAccess access = UserAccess::Multi;
    // Made by seedDatabases: its files exist only once something is written to it.
    bool seeded = false;
    // A restore onto it stopped half-way (cancelled, killed, its client gone): nobody may
    // use it until a restore completes.
    bool restoring = false;
    std::vector<DatabaseFile> files;
    std::optional<Content> content;  // read from the data file on first use

    bool isSystem() const { return id <= 4; }
};

}  // namespace devserver

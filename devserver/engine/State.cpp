#include "devserver/engine/State.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <stdexcept>

#include "devserver/engine/CatalogFile.h"
#include "devserver/engine/DatabaseFiles.h"
#include "devserver/engine/FileIo.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/Records.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Text.h"

namespace devserver {

namespace {

constexpr const char* kCatalogFile = "catalog";

struct SystemDatabase {
    int id;
    const char16_t* name;
    const char16_t* dataLogical;
    const char* dataFile;
    const char16_t* logLogical;
    const char* logFile;
    Recovery recovery;
};

constexpr SystemDatabase kSystemDatabases[] = {
    {1, u"master", u"master", "master.mdf", u"mastlog", "mastlog.ldf", Recovery::Simple},
    {2, u"tempdb", u"tempdev", "tempdb.mdf", u"templog", "templog.ldf", Recovery::Simple},
    {3, u"model", u"modeldev", "model.mdf", u"modellog", "modellog.ldf", Recovery::Full},
    {4, u"msdb", u"MSDBData", "MSDBData.mdf", u"MSDBLog", "MSDBLog.ldf", Recovery::Simple},
};

}  // namespace

double LongRequest::percentComplete(Clock::time_point now) const {
    if (length <= Clock::duration::zero()) {
        return 100.0;
    }
    const double done = std::chrono::duration<double>(now - start) / length;
    return 100.0 * std::clamp(done, 0.0, 1.0);
}

std::int64_t LongRequest::millisecondsLeft(Clock::time_point now) const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(start + length - now);
    return std::max<std::int64_t>(left.count(), 0);
}

std::int64_t LongRequest::millisecondsElapsed(Clock::time_point now) const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count();
}

State::State(std::filesystem::path dataDir, Platform platform)
    : dataDir_(std::filesystem::absolute(dataDir).lexically_normal()),
      host_(dataDir_, std::move(platform.windowsDrives)),
      majorVersion_(platform.majorVersion),
      backupMajorVersion_(platform.backupMajorVersion.value_or(platform.majorVersion)),
      collation_(std::move(platform.collation)) {
    std::filesystem::create_directories(dataDir_);
    const auto catalog = file_io::read(dataDir_ / kCatalogFile);
    if (!catalog.bytes) {
        if (catalog.osError != 2) {
            throw std::runtime_error("cannot read the catalogue in " + dataDir_.string());
        }
        removeInterruptedWrites();
        createSystemDatabases();
        return;
    }
    try {
        for (auto& [id, database] : catalog_file::decode(*catalog.bytes)) {
            insert(std::move(database));
        }
    } catch (const records::FormatError& e) {
        throw std::runtime_error("damaged catalogue in " + dataDir_.string() + ": " + e.what());
    }
    for (const auto& system : kSystemDatabases) {
        if (!byId(system.id)) {
            throw std::runtime_error("the catalogue lacks a system database");
        }
    }
    removeInterruptedWrites();
}

void State::removeInterruptedWrites() const {
    std::set<std::filesystem::path> folders = {dataDir_};
    for (const auto& [id, database] : databases_) {
        for (const DatabaseFile& file : database.files) {
            folders.insert(file.path.parent_path());
        }
    }
    for (const auto& folder : folders) {
        file_io::removeInterruptedWrites(folder);
    }
}

std::u16string State::key(std::u16string_view name) const {
    return collation_.key(name);
}

Collation State::collationOf(const Database& database) const {
    if (database.isSystem() || database.collation.empty()) {
        return collation_;
    }
    return Collation::named(database.collation).value_or(collation_);
}

void State::createSystemDatabases() {
    for (const auto& system : kSystemDatabases) {
        Database database;
        database.id = system.id;
        database.name = system.name;
        database.guid = newGuid();
        database.recovery = system.recovery;
        database.files = {{1, FileKind::Data, system.dataLogical, dataDir_ / system.dataFile},
                          {2, FileKind::Log, system.logLogical, dataDir_ / system.logFile}};
        database.content = Content{};
        Database& inserted = insert(std::move(database));
        if (writeFiles(inserted) != 0) {
            throw std::runtime_error("cannot write the system databases in " + dataDir_.string());
        }
    }
    saveCatalog();
}

Database* State::find(std::u16string_view name) {
    const auto found = idsByName_.find(key(name));
    return found == idsByName_.end() ? nullptr : byId(found->second);
}

Database* State::byId(int id) {
    const auto found = databases_.find(id);
    return found == databases_.end() ? nullptr : &found->second;
}

int State::freeId(int from) const {
    int candidate = from;
    for (auto it = databases_.lower_bound(from); it != databases_.end() && it->first == candidate;
         ++it) {
        ++candidate;
    }
    if (candidate > kMaxDatabaseId) {
        throw SqlError(messages::tooManyDatabases());
    }
    return candidate;
}

Database& State::insert(Database database) {
    const int id = database.id;
    idsByName_[key(database.name)] = id;
    return databases_[id] = std::move(database);
}

void State::erase(int id) {
    const auto found = databases_.find(id);
    if (found != databases_.end()) {
        idsByName_.erase(key(found->second.name));
        databases_.erase(found);
    }
}

std::size_t State::userDatabaseCount() const {
    return static_cast<std::size_t>(
        std::distance(databases_.lower_bound(kFirstUserDatabaseId), databases_.end()));
}

std::vector<int> State::sessionsIn(int databaseId) const {
    std::vector<int> spids;
    for (const auto& [spid, session] : sessions_) {
        if (session.activeDatabaseId() == databaseId) {
            spids.push_back(spid);
        }
    }
    return spids;
}

const Database* State::fileOwner(const std::filesystem::path& path, int exceptId) const {
    const auto normal = path.lexically_normal();
    for (const auto& [id, database] : databases_) {
        if (id == exceptId) {
            continue;
        }
        for (const DatabaseFile& file : database.files) {
            if (file.path == normal) {
                return &database;
            }
        }
    }
    return nullptr;
}

Content& State::content(Database& database) {
    if (database.content) {
        return *database.content;
    }
    if (database.seeded) {
        return database.content.emplace();
    }
    const auto bytes = file_io::read(database.files.front().path);
    try {
        if (bytes.bytes) {
            auto image = database_files::decode(*bytes.bytes);
            if (image.content) {
                return database.content.emplace(std::move(*image.content));
            }
        }
    } catch (const records::FormatError&) {
    }
    throw SqlError(messages::databaseInaccessible(database.name));
}

int State::writeFiles(Database& database, std::filesystem::path* failedPath) {
    const Content& data = content(database);
    for (const DatabaseFile& file : database.files) {
        const int error =
            file_io::writeAtomically(file.path, database_files::encode(database, file, data));
        if (error != 0) {
            if (failedPath) {
                *failedPath = file.path;
            }
            return error;
        }
    }
    database.seeded = false;
    return 0;
}

void State::saveCatalog() {
    if (file_io::writeAtomically(dataDir_ / kCatalogFile, catalog_file::encode(databases_)) != 0) {
        throw SqlError(messages::catalogueNotWritten());
    }
}

std::string State::newGuid() {
    static std::mt19937_64 random(std::random_device{}() ^
                                  static_cast<unsigned long long>(
                                      std::chrono::steady_clock::now().time_since_epoch().count()));
    const unsigned long long high = random();
    const unsigned long long low = random() ^ ++guidCounter_;
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%08llX-%04llX-%04llX-%04llX-%012llX", high >> 32,
                  (high >> 16) & 0xFFFF, high & 0xFFFF, low >> 48, low & 0xFFFFFFFFFFFFULL);
    return buffer;
}

}  // namespace devserver

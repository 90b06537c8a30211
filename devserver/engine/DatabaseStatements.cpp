#include <algorithm>

#include "devserver/engine/DatabaseFiles.h"
#include "devserver/engine/Evaluator.h"
#include "devserver/engine/FileIo.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/Paths.h"
#include "devserver/engine/Records.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Statements.h"
#include "devserver/engine/Text.h"

namespace devserver::statements {

namespace {

constexpr std::size_t kMaxAttachFiles = 16;

[[noreturn]] void failCreate(Message cause) {
    throw SqlError({std::move(cause), messages::createDatabaseFailed()});
}

// A file named after the database in the data folder; a name that cannot be a file name
// fails as the file system would fail it.
std::filesystem::path fileInDataFolder(const State& state, const std::u16string& name,
                                       const char16_t* suffix) {
    const std::u16string fileName = std::u16string(text::trimTrailingBlanks(name)) + suffix;
    if (fileName.find(u'/') != std::u16string::npos ||
        (state.host().windows() && fileName.find(u'\\') != std::u16string::npos) ||
        fileName.find(u'\0') != std::u16string::npos) {
        failCreate(
            messages::createFileFailed(state.host().folderName(state.dataDir()) + fileName, 3));
    }
    return paths::resolve(state.host(), fileName);
}

void requireNewName(State& state, const std::u16string& name) {
    if (text::trimTrailingBlanks(name).empty()) {
        throw SqlError(messages::emptyName());
    }
    if (state.find(name)) {
        throw SqlError(messages::databaseExists(name));
    }
}

std::vector<DatabaseFile> defaultFiles(const State& state, const std::u16string& name) {
    return {{1, FileKind::Data, name, fileInDataFolder(state, name, u".mdf")},
            {2, FileKind::Log, name + u"_log", fileInDataFolder(state, name, u"_log.ldf")}};
}

// The files as the statement lists them. As on SQL Server, the primary data file is file
// 1 and the first log file file 2; a database given no log file gets the usual one.
std::vector<DatabaseFile> listedFiles(const State& state, const syntax::CreateDatabase& statement,
                                      const Evaluator& evaluator) {
    std::vector<DatabaseFile> data;
    std::vector<DatabaseFile> logs;
    for (const syntax::FileSpec& spec : statement.files) {
        DatabaseFile file{0, spec.kind, spec.logicalName,
                          paths::resolve(state.host(), evaluator.textOf(spec.path)),
                          spec.sizePages};
        (spec.kind == FileKind::Data ? data : logs).push_back(std::move(file));
    }
    if (data.empty()) {
        data.push_back(defaultFiles(state, statement.name).front());
    }
    if (logs.empty()) {
        logs.push_back(defaultFiles(state, statement.name).back());
    }
    std::vector<DatabaseFile> files{data.front(), logs.front()};
    files.insert(files.end(), data.begin() + 1, data.end());
    files.insert(files.end(), logs.begin() + 1, logs.end());
    for (std::size_t i = 0; i < files.size(); ++i) {
        files[i].fileId = static_cast<int>(i) + 1;
        for (std::size_t j = 0; j < i; ++j) {
            if (text::sameName(files[i].logicalName, files[j].logicalName)) {
                throw SqlError(messages::logicalNameInUse(files[i].logicalName));
            }
            if (paths::sameFile(files[i].path, files[j].path)) {
                failCreate(
                    messages::fileAlreadyExists(paths::display(state.host(), files[i].path)));
            }
        }
    }
    return files;
}

struct AttachedFile {
    std::filesystem::path path;
    database_files::FileImage image;
};

AttachedFile openForAttach(State& state, const std::filesystem::path& path) {
    if (state.fileOwner(path, 0)) {
        failCreate(messages::openFileFailed(paths::display(state.host(), path), 32));
    }
    const auto read = file_io::read(path);
    if (!read.bytes) {
        failCreate(messages::openFileFailed(paths::display(state.host(), path), read.osError));
    }
    try {
        return {path, database_files::decode(*read.bytes)};
    } catch (const records::FormatError&) {
        failCreate(messages::invalidFileHeader(paths::display(state.host(), path)));
    }
}

}  // namespace

void saveFiles(State& state, Database& database) {
    std::filesystem::path failed;
    const int error = state.writeFiles(database, &failed);
    if (error != 0) {
        throw SqlError(messages::createFileFailed(paths::display(state.host(), failed), error));
    }
}

void createDatabase(const syntax::CreateDatabase& statement, const Context& context) {
    State& state = context.state();
    requireNewName(state, statement.name);
    const int id = state.freeId();
    Database db;
    db.name = statement.name;
    db.id = id;
    db.guid = state.newGuid();
    if (statement.collation) {
        if (!Collation::named(*statement.collation)) {
            throw SqlError(messages::invalidCollation(*statement.collation));
        }
        db.collation = *statement.collation;
    }
    db.files = statement.files.empty() ? defaultFiles(state, statement.name)
                                       : listedFiles(state, statement, Evaluator(context));
    db.content = Content{};
    for (const DatabaseFile& file : db.files) {
        std::error_code ignored;
        if (std::filesystem::exists(file.path, ignored) || state.fileOwner(file.path, 0)) {
            failCreate(messages::fileAlreadyExists(paths::display(state.host(), file.path)));
        }
    }
    std::filesystem::path failed;
    if (const int error = state.writeFiles(db, &failed); error != 0) {
        for (const DatabaseFile& file : db.files) {
            file_io::removeQuietly(file.path);
        }
        failCreate(messages::createFileFailed(paths::display(state.host(), failed), error));
    }
    state.insert(std::move(db));
    state.saveCatalog();
    context.add(Done{});
}

void dropDatabase(const syntax::DropDatabase& statement, const Context& context) {
    State& state = context.state();
    for (const std::u16string& name : statement.names) {
        Database* db = state.find(name);
        if (!db) {
            throw SqlError(messages::dropMissing(name));
        }
        if (db->isSystem()) {
            throw SqlError(messages::dropSystem(db->name));
        }
        if (!state.sessionsIn(db->id).empty()) {
            throw SqlError(messages::dropInUse(db->name));
        }
        const std::vector<DatabaseFile> files = db->files;
        state.erase(db->id);
        state.saveCatalog();
        for (const DatabaseFile& file : files) {
            file_io::removeQuietly(file.path);
        }
    }
    context.add(Done{});
}

void detach(const std::vector<Value>& arguments, const Context& context) {
    if (arguments.empty() || arguments.size() > 3) {
        throw SqlError(arguments.empty()
                           ? messages::parameterNotSupplied(u"sp_detach_db", u"@dbname")
                           : messages::wrongArgumentCount(u"sp_detach_db"));
    }
    State& state = context.state();
    const std::u16string name = arguments[0] ? values::toText(arguments[0]) : std::u16string();
    Database* db = state.find(name);
    if (!db) {
        throw SqlError(messages::detachMissing(name));
    }
    if (db->isSystem()) {
        throw SqlError(messages::detachSystem());
    }
    if (!state.sessionsIn(db->id).empty()) {
        throw SqlError(messages::detachInUse(db->name));
    }
    // The files leave with everything the database keeps in itself (the recovery model
    // included), so that they can be attached again as they were.
    saveFiles(state, *db);
    state.erase(db->id);
    state.saveCatalog();
    context.add(Done{});
}

void attach(const std::vector<Value>& arguments, const Context& context) {
    if (arguments.size() < 2) {
        throw SqlError(messages::parameterNotSupplied(
            u"sp_attach_db", arguments.empty() ? u"@dbname" : u"@filename1"));
    }
    if (arguments.size() > kMaxAttachFiles + 1) {
        throw SqlError(messages::wrongArgumentCount(u"sp_attach_db"));
    }
    State& state = context.state();
    const std::u16string name = arguments[0] ? values::toText(arguments[0]) : std::u16string();
    requireNewName(state, name);

    std::vector<AttachedFile> given;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (!arguments[i]) {
            continue;
        }
        given.push_back(
            openForAttach(state, paths::resolve(state.host(), values::toText(arguments[i]))));
    }
    if (given.empty()) {
        failCreate(messages::openFileFailed(u"", 2));
    }
    const database_files::FileImage& primary = given.front().image;
    if (primary.members.empty()) {
        failCreate(messages::notPrimaryFile(paths::display(state.host(), given.front().path)));
    }
    for (const AttachedFile& file : given) {
        const bool member =
            std::any_of(primary.members.begin(), primary.members.end(), [&](const DatabaseFile& m) {
                return m.fileId == file.image.self.fileId && m.kind == file.image.self.kind;
            });
        if (file.image.guid != primary.guid || !member) {
            failCreate(messages::filesDoNotMatch());
        }
    }

    Database db;
    db.name = name;
    db.id = state.freeId();
    db.guid = primary.guid;
    db.content = *primary.content;
    db.recovery = primary.recovery.value_or(Recovery::Full);
    db.collation = primary.collation;
    for (const DatabaseFile& member : primary.members) {
        const auto found = std::find_if(given.begin(), given.end(), [&](const AttachedFile& f) {
            return f.image.self.fileId == member.fileId;
        });
        // A file not named in the statement is looked for where the primary file says it is.
        const AttachedFile file = found != given.end() ? *found : openForAttach(state, member.path);
        if (file.image.guid != primary.guid || file.image.self.fileId != member.fileId) {
            failCreate(messages::filesDoNotMatch());
        }
        const bool twice =
            std::any_of(db.files.begin(), db.files.end(),
                        [&](const DatabaseFile& f) { return paths::sameFile(f.path, file.path); });
        if (twice) {
            failCreate(messages::openFileFailed(paths::display(state.host(), file.path), 32));
        }
        db.files.push_back({member.fileId, file.image.self.kind, file.image.self.logicalName,
                            file.path, member.sizePages});
    }
    saveFiles(state, db);  // the files now name the database as attached
    state.insert(std::move(db));
    state.saveCatalog();
    context.add(Done{});
}

}  // namespace devserver::statements

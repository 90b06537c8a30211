#include <algorithm>

#include "devserver/engine/BackupMedia.h"
#include "devserver/engine/Evaluator.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Statements.h"
#include "devserver/engine/Text.h"

namespace devserver::statements {

namespace {

Database& alterable(State& state, const std::u16string& name) {
    Database* db = state.find(name);
    if (!db) {
        throw SqlError({messages::alterNotPermitted(name), messages::alterFailed()});
    }
    return *db;
}

// A file's pages in use: the whole of a size given at creation, else what an empty file
// of the kind holds.
std::int64_t pagesInUse(const DatabaseFile& file) {
    return std::max<std::int64_t>(file.kind == FileKind::Data ? 280 : 72, file.sizePages);
}

}  // namespace

void alterRecovery(const syntax::AlterRecovery& statement, const Context& context) {
    State& state = context.state();
    Database& db = alterable(state, statement.database);
    if (db.id == 2 && statement.recovery != Recovery::Simple) {
        throw SqlError({messages::recoveryOnTempdb(), messages::alterFailed()});
    }
    // Entering or leaving full recovery breaks the log chain until the next full backup.
    if (db.recovery != statement.recovery) {
        db.recovery = statement.recovery;
        db.logChainStarted = false;
        state.saveCatalog();
    }
    context.add(Done{});
}

void modifyFile(const syntax::ModifyFile& statement, const Context& context) {
    State& state = context.state();
    Database& db = alterable(state, statement.database);
    // Logical names compare as the database's collation says.
    const Collation names = state.collationOf(db);
    const auto file = std::find_if(db.files.begin(), db.files.end(), [&](const DatabaseFile& f) {
        return names.same(f.logicalName, statement.name);
    });
    if (file == db.files.end()) {
        throw SqlError(messages::modifyFileUnknown(statement.name));
    }
    const bool taken = std::any_of(db.files.begin(), db.files.end(), [&](const DatabaseFile& f) {
        return names.same(f.logicalName, statement.newName);
    });
    if (taken || text::trimTrailingBlanks(statement.newName).empty()) {
        throw SqlError(messages::logicalNameInUse(statement.newName));
    }
    if (statement.newName.size() > 128) {
        throw SqlError(messages::identifierTooLong(statement.newName.substr(0, 128)));
    }
    const std::u16string previous = file->logicalName;
    file->logicalName = statement.newName;
    try {
        saveFiles(state, db);  // the files carry their logical names
    } catch (const SqlError&) {
        file->logicalName = previous;
        throw;
    }
    state.saveCatalog();
    context.add(messages::fileNameSet(statement.newName));
    context.add(Done{});
}

void shrink(const syntax::Shrink& statement, const Context& context) {
    State& state = context.state();
    const Evaluator evaluator(context);
    const Value target = evaluator.value(statement.database);
    Database* db = nullptr;
    std::u16string shown;
    if (target && std::holds_alternative<std::int64_t>(*target)) {
        const std::int64_t id = std::get<std::int64_t>(*target);
        shown = text::number(id);
        db = id == 0 ? &context.currentDatabase()
                     : (id > 0 && id <= State::kMaxDatabaseId ? state.byId(static_cast<int>(id))
                                                              : nullptr);
    } else if (target) {
        shown = values::toText(target);
        db = state.find(shown);
    }
    if (!db) {
        throw SqlError(messages::shrinkDatabaseMissing(shown));
    }
    // Shrinking moves every page in use towards the start of its file.
    std::int64_t pages = 0;
    for (const DatabaseFile& file : db->files) {
        pages += pagesInUse(file);
    }
    const int databaseId = db->id;
    if (context.takeTime(
            LongWork{u"DbccFilesCompact", databaseId, pages * backup_media::kPageBytes, {}})) {
        db = state.byId(databaseId);  // the other sessions went on meanwhile
        if (db == nullptr) {
            throw SqlError(messages::shrinkDatabaseMissing(shown));
        }
    }
    RowSet result;
    for (const char16_t* name :
         {u"DbId", u"FileId", u"CurrentSize", u"MinimumSize", u"UsedPages", u"EstimatedPages"}) {
        result.columns.push_back(Column{
            name, std::u16string_view(name) == u"DbId" ? ColumnType::SmallInt : ColumnType::Int, 0,
            false});
    }
    for (const DatabaseFile& file : db->files) {
        const std::int64_t minimum = file.kind == FileKind::Data ? 288 : 72;
        const std::int64_t size = std::max(minimum, file.sizePages);
        const std::int64_t used = pagesInUse(file);
        result.rows.push_back(
            {std::int64_t{db->id}, std::int64_t{file.fileId}, size, minimum, used, used});
    }
    const auto count = result.rows.size();
    context.add(std::move(result));
    context.add(messages::dbccDone());
    context.add(Done{false, count, kCurCmdSelect});
}

}  // namespace devserver::statements

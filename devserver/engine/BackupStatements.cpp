#include <algorithm>
#include <chrono>

#include "devserver/engine/BackupMedia.h"
#include "devserver/engine/BackupReading.h"
#include "devserver/engine/Evaluator.h"
#include "devserver/engine/FileIo.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/Paths.h"
#include "devserver/engine/Records.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Statements.h"
#include "devserver/engine/Text.h"

namespace devserver::statements {

using backup_media::BackupSet;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return std::max(seconds, 0.001);
}

[[noreturn]] void failRestore(std::vector<Message> messages) {
    messages.push_back(messages::restoreAbnormal());
    throw SqlError(std::move(messages));
}

// Where each file of the backup goes: its MOVE target, else the file of the same logical
// name of the database being replaced, else where the backup says it was.
std::vector<std::filesystem::path> restoreTargets(const syntax::Restore& statement,
                                                  const BackupSet& set, const Database* existing,
                                                  State& state, const Evaluator& evaluator) {
    std::vector<std::filesystem::path> targets;
    for (const DatabaseFile& file : set.files) {
        targets.push_back(file.path.is_absolute()
                              ? file.path.lexically_normal()
                              : (state.dataDir() / file.path).lexically_normal());
        if (existing != nullptr) {
            for (const DatabaseFile& current : existing->files) {
                if (text::sameName(current.logicalName, file.logicalName)) {
                    targets.back() = current.path;
                }
            }
        }
    }
    for (const syntax::Move& move : statement.moves) {
        const std::u16string logical = evaluator.textOf(move.logicalName);
        const std::filesystem::path to = paths::resolve(state.host(), evaluator.textOf(move.path));
        const auto file = std::find_if(
            set.files.begin(), set.files.end(),
            [&](const DatabaseFile& f) { return text::sameName(f.logicalName, logical); });
        if (file == set.files.end()) {
            failRestore({messages::logicalFileNotInBackup(logical, statement.database)});
        }
        targets[static_cast<std::size_t>(file - set.files.begin())] = to;
    }
    return targets;
}

// Without REPLACE, a database is only restored over from its own backup and after its log
// tail has been backed up; either way nobody may be using it.
void checkReplaceable(const syntax::Restore& statement, const BackupSet& set,
                      const Database& existing, State& state) {
    if (!statement.replace && !text::sameName(set.database, existing.name)) {
        failRestore({messages::otherDatabaseBackup(existing.name)});
    }
    if (!state.sessionsIn(existing.id).empty()) {
        failRestore({messages::exclusiveAccess()});
    }
    if (!statement.replace && !existing.restoring && existing.recovery == Recovery::Full &&
        existing.logChainStarted) {
        failRestore({messages::tailNotBackedUp(existing.name)});
    }
}

// Reports every target that two files claim, that another database uses, or that
// would be overwritten without REPLACE, all at once as SQL Server plans it.
void checkTargets(const syntax::Restore& statement, const BackupSet& set,
                  const std::vector<std::filesystem::path>& targets, const Database* existing,
                  State& state) {
    std::vector<Message> problems;
    const int existingId = existing != nullptr ? existing->id : 0;
    for (std::size_t i = 0; i < set.files.size(); ++i) {
        const std::u16string shown = paths::display(state.host(), targets[i]);
        for (std::size_t j = 0; j < i; ++j) {
            if (paths::sameFile(targets[i], targets[j])) {
                problems.push_back(
                    messages::fileClaimedTwice(shown, set.files[j].logicalName, set.files[j].fileId,
                                               set.files[i].logicalName, set.files[i].fileId));
            }
        }
        if (const Database* owner = state.fileOwner(targets[i], existingId)) {
            problems.push_back(messages::fileInUseByDatabase(shown, owner->name));
            problems.push_back(messages::cannotRestoreFile(set.files[i].logicalName, shown));
            continue;
        }
        const bool ownFile =
            existing != nullptr &&
            std::any_of(existing->files.begin(), existing->files.end(),
                        [&](const DatabaseFile& f) { return paths::sameFile(f.path, targets[i]); });
        std::error_code ignored;
        if (!statement.replace && !ownFile && std::filesystem::exists(targets[i], ignored)) {
            problems.push_back(messages::fileWouldBeOverwritten(shown));
        }
    }
    if (!problems.empty()) {
        problems.push_back(messages::restorePlanningProblems());
        failRestore(std::move(problems));
    }
}

Database restoredDatabase(const syntax::Restore& statement, const BackupSet& set,
                          const std::vector<std::filesystem::path>& targets,
                          const Database* existing, State& state) {
    Database restored;
    restored.name = existing != nullptr ? existing->name : statement.database;
    if (existing == nullptr && text::trimTrailingBlanks(restored.name).empty()) {
        failRestore({messages::emptyRestoreName()});
    }
    restored.id = existing != nullptr ? existing->id : state.freeId();
    restored.guid = set.guid;
    restored.recovery = set.recovery;
    restored.collation = set.collation;
    restored.access = set.access;
    restored.files = set.files;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        restored.files[i].path = targets[i];
    }
    restored.content = set.content;
    return restored;
}

// Writes the restored files, then lets the restored database take the place of the one
// it replaces, whose files it does not reuse are removed.
void install(Database restored, const Database* existing, State& state) {
    std::filesystem::path failed;
    if (const int error = state.writeFiles(restored, &failed); error != 0) {
        failRestore({messages::createFileFailed(paths::display(state.host(), failed), error)});
    }
    if (existing != nullptr) {
        for (const DatabaseFile& old : existing->files) {
            const bool reused = std::any_of(
                restored.files.begin(), restored.files.end(),
                [&](const DatabaseFile& f) { return paths::sameFile(f.path, old.path); });
            if (!reused) {
                file_io::removeQuietly(old.path);
            }
        }
        state.erase(existing->id);
    }
    state.insert(std::move(restored));
    state.saveCatalog();
}

// What a RESTORE will do, settled from the backup file and the instance as they stand.
struct RestorePlan {
    BackupSet set;
    Database* existing = nullptr;
    Database restored;
};

RestorePlan planRestore(const syntax::Restore& statement, const Context& context) {
    State& state = context.state();
    const Evaluator evaluator(context);
    const std::filesystem::path path =
        paths::resolve(state.host(), evaluator.textOf(statement.path));
    BackupSet set = readSet(state, path, statement.setNumber, messages::restoreAbnormal());
    if (set.origin.majorVersion > state.majorVersion()) {
        failRestore(
            {messages::backupFromNewerVersion(backup_media::versionTextOf(set.origin.majorVersion),
                                              backup_media::versionTextOf(state.majorVersion()))});
    }
    // Only a full backup stands on its own; the others roll forward a restoring database,
    // which this model never leaves behind.
    if (set.origin.backupType != backup_media::kDatabaseBackup) {
        failRestore({messages::nothingToRollForward()});
    }

    Database* existing = state.find(statement.database);
    if (existing != nullptr && existing->isSystem()) {
        throw SqlError(messages::notModelled(u"RESTORE DATABASE " + existing->name));
    }
    const std::vector<std::filesystem::path> targets =
        restoreTargets(statement, set, existing, state, evaluator);
    if (existing != nullptr) {
        checkReplaceable(statement, set, *existing, state);
    }
    checkTargets(statement, set, targets, existing, state);
    Database restored = restoredDatabase(statement, set, targets, existing, state);
    return RestorePlan{std::move(set), existing, std::move(restored)};
}

// A log backup needs the full recovery model and a log chain that a full backup began.
void checkLogBackup(const Database& db, const Message& abnormal) {
    if (db.recovery == Recovery::Simple) {
        throw SqlError({messages::logBackupInSimpleRecovery(), abnormal});
    }
    if (!db.logChainStarted) {
        throw SqlError({messages::noCurrentDatabaseBackup(), abnormal});
    }
}

// A restore that stops half-way has already overwritten what it restores onto: the
// database stays, unusable, until a restore completes.
void leaveRestoring(const syntax::Restore& statement, const Context& context) {
    State& state = context.state();
    Database* target = state.find(statement.database);
    if (target == nullptr) {
        try {
            RestorePlan plan = planRestore(statement, context);
            target = &state.insert(std::move(plan.restored));
        } catch (const SqlError&) {
            return;  // the others changed what it would have been; nothing was begun
        }
    }
    target->restoring = true;
    state.saveCatalog();
}

}  // namespace

void backup(const syntax::Backup& statement, const Context& context) {
    const auto start = Clock::now();
    const Message abnormal =
        statement.log ? messages::logBackupAbnormal() : messages::backupAbnormal();
    State& state = context.state();
    Database* db = state.find(statement.database);
    if (!db) {
        throw SqlError({messages::databaseMissing(statement.database), abnormal});
    }
    if (db->id == 2) {
        throw SqlError({messages::tempdbBackup(), abnormal});
    }
    if (statement.log) {
        checkLogBackup(*db, abnormal);
    }
    if (db->restoring) {
        throw SqlError({messages::inMiddleOfRestore(db->name), messages::backupAbnormal()});
    }
    const Evaluator evaluator(context);
    const std::filesystem::path path =
        paths::resolve(state.host(), evaluator.textOf(statement.path));
    const std::u16string shown = paths::display(state.host(), path);

    std::vector<BackupSet> sets;
    if (!statement.format) {
        const auto existing = file_io::read(path);
        if (existing.bytes) {
            try {
                sets = backup_media::decode(*existing.bytes);
            } catch (const records::FormatError&) {
                throw SqlError({messages::backupDataMalformed(shown), abnormal});
            }
        } else if (existing.osError != 2) {
            throw SqlError({messages::backupDeviceFailed(shown, existing.osError), abnormal});
        }
    }
    backup_media::BackupOrigin origin;
    origin.backupType = statement.log ? backup_media::kLogBackup : backup_media::kDatabaseBackup;
    origin.copyOnly = statement.copyOnly;
    origin.userName = context.session().loginName;
    origin.majorVersion = state.backupMajorVersion();
    origin.started = backup_media::localTimeNow();
    sets.push_back(
        BackupSet{db->name, db->guid, db->recovery, db->files, state.content(*db), origin});
    BackupSet& written = sets.back();
    written.collation = db->collation;
    written.access = db->access;
    const int databaseId = db->id;
    // The backup is what the database held when it started. The file appears only once
    // the work is done, so an abandoned backup leaves no file that passes for a whole one.
    context.takeTime(LongWork{statement.log ? u"BACKUP LOG" : u"BACKUP DATABASE",
                              databaseId,
                              backup_media::pagesOf(written) * backup_media::kPageBytes,
                              {messages::backupAborted(), abnormal}});
    written.origin.finished = backup_media::localTimeNow();
    if (const int error = file_io::writeAtomically(path, backup_media::encode(sets)); error != 0) {
        throw SqlError({messages::backupDeviceFailed(shown, error), abnormal});
    }
    db = state.byId(databaseId);  // the other sessions went on meanwhile
    if (db != nullptr && db->guid == written.guid && db->recovery == Recovery::Full &&
        !statement.copyOnly && !statement.log && !db->logChainStarted) {
        db->logChainStarted = true;
        state.saveCatalog();
    }
    const int setNumber = static_cast<int>(sets.size());
    for (const DatabaseFile& file : written.files) {
        if (const std::int64_t pages = backup_media::pagesOf(written, file); pages > 0) {
            context.add(
                messages::pagesProcessed(pages, written.database, file.logicalName, setNumber));
        }
    }
    const std::int64_t pages = backup_media::pagesOf(written);
    context.add(statement.log ? messages::logBackupDone(pages, secondsSince(start))
                              : messages::backupDone(false, pages, secondsSince(start)));
    context.add(Done{});
}

void restore(const syntax::Restore& statement, const Context& context) {
    const auto start = Clock::now();
    RestorePlan plan = planRestore(statement, context);
    const int databaseId =
        plan.existing != nullptr ? plan.existing->id : context.session().databaseId;
    bool waited = false;
    try {
        waited =
            context.takeTime(LongWork{u"RESTORE DATABASE",
                                      databaseId,
                                      backup_media::pagesOf(plan.set) * backup_media::kPageBytes,
                                      {messages::backupAborted(), messages::restoreAbnormal()}});
    } catch (const SqlError&) {
        leaveRestoring(statement, context);
        throw;
    }
    if (waited) {
        // The other sessions went on meanwhile: what held at the start is checked again,
        // and the files are written only now, so an abandoned restore writes none.
        plan = planRestore(statement, context);
    }
    const std::u16string name = plan.restored.name;
    install(std::move(plan.restored), plan.existing, context.state());

    for (const DatabaseFile& file : plan.set.files) {
        context.add(messages::pagesProcessed(backup_media::pagesOf(plan.set, file), name,
                                             file.logicalName,
                                             static_cast<int>(statement.setNumber)));
    }
    context.add(messages::backupDone(true, backup_media::pagesOf(plan.set), secondsSince(start)));
    context.add(Done{});
}

}  // namespace devserver::statements

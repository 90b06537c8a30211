#include "CancelReport.h"

#include "HelperConnection.h"
#include "ServerFileSystem.h"
#include "ServerPaths.h"
#include "Statements.h"
#include "common/OperatorTexts.h"

namespace {

const QString kRestoring = QStringLiteral("RESTORING");

// state_desc and recovery_model_desc of the database; nothing when the server lists none.
std::optional<QStringList> databaseState(HelperConnection& helper, const QString& database) {
    const ResultSet rows =
        helper.run([&](Connection& conn) { return conn.query(databaseStateQuery(database)); });
    if (rows.rowCount() == 0) {
        return std::nullopt;
    }
    return QStringList{rows.field(0, 0).trimmed(), rows.field(0, 1).trimmed()};
}

bool backupFileExists(HelperConnection& helper, const QString& path) {
    return helper.run([&](Connection& conn) {
        const HostFacts host = server_files::readHostFacts(conn);
        const QString title = server_paths::title(path);
        const Qt::CaseSensitivity sensitivity =
            host.windows ? Qt::CaseInsensitive : Qt::CaseSensitive;
        for (const ServerEntry& entry :
             server_files::readFolder(conn, host, server_paths::folderOf(path))) {
            if (entry.kind == ServerEntry::Kind::File &&
                entry.name.compare(title, sensitivity) == 0) {
                return true;
            }
        }
        return false;
    });
}

QString afterRestore(HelperConnection& helper, const QString& database) {
    const std::optional<QStringList> state = databaseState(helper, database);
    if (!state) {
        return texts::kRestoreCancelledGone.arg(database);
    }
    if (state->at(0) == kRestoring) {
        return texts::kRestoreCancelledRestoring.arg(database, state->at(0));
    }
    return texts::kRestoreCancelledState.arg(database, state->at(0));
}

QString afterCleanUp(HelperConnection& helper, const QString& database) {
    const std::optional<QStringList> state = databaseState(helper, database);
    if (!state) {
        return texts::kCleanUpCancelledGone.arg(database);
    }
    return texts::kCleanUpCancelledRecovery.arg(database, state->at(1));
}

}  // namespace

QString cancelledStatus(const std::optional<CallPurpose>& purpose, HelperConnection& helper) {
    if (!purpose || purpose->kind == CallPurpose::Kind::Statement) {
        return texts::kStatementCancelled;
    }
    try {
        switch (purpose->kind) {
            case CallPurpose::Kind::Connect:
                return texts::kConnectCancelled;
            case CallPurpose::Kind::BackUp:
                return (backupFileExists(helper, purpose->backupFile)
                            ? texts::kBackUpCancelledFileExists
                            : texts::kBackUpCancelledNoFile)
                    .arg(purpose->backupFile);
            case CallPurpose::Kind::Restore:
                return afterRestore(helper, purpose->database);
            case CallPurpose::Kind::CleanUp:
                return afterCleanUp(helper, purpose->database);
            case CallPurpose::Kind::Statement:
                break;
        }
    } catch (const std::exception&) {
        // The helper could not tell; the text says so rather than guess.
    }
    switch (purpose->kind) {
        case CallPurpose::Kind::BackUp:
            return texts::kBackUpCancelledUnchecked.arg(purpose->backupFile);
        case CallPurpose::Kind::Restore:
            return texts::kRestoreCancelledUnchecked.arg(purpose->database);
        case CallPurpose::Kind::CleanUp:
            return texts::kCleanUpCancelledUnchecked.arg(purpose->database);
        default:
            return texts::kStatementCancelled;
    }
}

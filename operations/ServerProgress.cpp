#include "ServerProgress.h"

#include <QStringList>

#include "SqlValues.h"
#include "session/Connection.h"

namespace {

const QString kSessionsOfProcess =
    QStringLiteral("SELECT session_id FROM sys.dm_exec_sessions WHERE host_process_id = ");
// The same process id on another machine, or of another program, is not the tool: the
// helper connection shares the tool's host name and program name, as the driver sends them.
const QString kSameHostAndProgram =
    QStringLiteral(" AND host_name = HOST_NAME() AND program_name = APP_NAME()");
const QString kOtherThanHelper = QStringLiteral(" AND session_id <> @@SPID");
const QString kRequestsOfSessions = QStringLiteral(
    "SELECT command, percent_complete, estimated_completion_time FROM sys.dm_exec_requests "
    "WHERE session_id IN (");
const QString kListEnd = QStringLiteral(")");

// The commands whose progress the server reports as it goes.
const QStringList kCommandsWithProgress{QStringLiteral("BACKUP DATABASE"),
                                        QStringLiteral("RESTORE DATABASE"),
                                        QStringLiteral("DbccFilesCompact")};

bool reportsProgress(const QString& command) {
    return kCommandsWithProgress.contains(command.trimmed(), Qt::CaseInsensitive);
}

}  // namespace

ServerProgressReader::ServerProgressReader(qint64 processId) : processId_(processId) {}

QString ServerProgressReader::sessionsQuery() const {
    return kSessionsOfProcess + integerLiteral(processId_) + kSameHostAndProgram + kOtherThanHelper;
}

QString ServerProgressReader::requestsQuery(const QList<qint64>& sessionIds) {
    QStringList ids;
    for (const qint64 id : sessionIds) {
        ids << integerLiteral(id);
    }
    return kRequestsOfSessions + ids.join(QStringLiteral(", ")) + kListEnd;
}

std::optional<ServerProgress> ServerProgressReader::read(Connection& helper) {
    requestMissing_ = false;
    if (toolSessions_.isEmpty()) {
        const ResultSet sessions = helper.query(sessionsQuery());
        for (qsizetype row = 0; row < sessions.rowCount(); ++row) {
            bool isNumber = false;
            const qint64 id = sessions.field(row, 0).trimmed().toLongLong(&isNumber);
            if (isNumber) {
                toolSessions_ << id;
            }
        }
        if (toolSessions_.isEmpty()) {
            return std::nullopt;
        }
    }
    const ResultSet requests = helper.query(requestsQuery(toolSessions_));
    requestMissing_ = requests.rowCount() == 0;
    for (qsizetype row = 0; row < requests.rowCount(); ++row) {
        if (!reportsProgress(requests.field(row, QStringLiteral("command")))) {
            continue;
        }
        bool percentRead = false;
        bool leftRead = false;
        ServerProgress progress;
        progress.percentComplete = requests.field(row, QStringLiteral("percent_complete"))
                                       .trimmed()
                                       .toDouble(&percentRead);
        progress.millisecondsLeft = requests.field(row, QStringLiteral("estimated_completion_time"))
                                        .trimmed()
                                        .toLongLong(&leftRead);
        if (percentRead && leftRead) {
            return progress;
        }
    }
    return std::nullopt;
}

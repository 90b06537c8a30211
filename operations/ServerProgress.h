#pragma once

#include <QList>
#include <QString>
#include <optional>

class Connection;

// How far the server has got with a long statement of the tool's own session.
struct ServerProgress {
    double percentComplete = 0;
    qint64 millisecondsLeft = 0;
};

// Reads sys.dm_exec_requests for the tool's own session through the helper connection.
// The tool's session hears nothing of this: the reader finds it from its own side. The
// driver sends this process's id, the host's name and the program's at login, and the
// tool's session is the one with all three of the helper's (sys.dm_exec_sessions
// host_process_id, host_name, program_name) that is not the helper's own (@@SPID).
class ServerProgressReader {
  public:
    explicit ServerProgressReader(qint64 processId);

    // The progress of a BACKUP DATABASE, RESTORE DATABASE or DBCC SHRINKDATABASE that the
    // tool's session is running; nothing while it runs none. Only reads. Raises what the
    // connection raises.
    std::optional<ServerProgress> read(Connection& helper);
    // After a read: the tool's session was found, yet the server lists no request of it. A
    // call under way that the server no longer lists was cut off from its client.
    bool requestMissing() const { return requestMissing_; }

    // The two queries, for tests and for whoever audits what the helper sends.
    QString sessionsQuery() const;
    static QString requestsQuery(const QList<qint64>& sessionIds);

  private:
    qint64 processId_;
    // The sessions are looked up once per reader: the tool's session stays for a call.
    QList<qint64> toolSessions_;
    bool requestMissing_ = false;
};

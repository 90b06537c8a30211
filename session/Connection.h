#pragma once

#include <QString>

#include "ResultSet.h"

// The one connection to the server. Texts go as plain batches; every result and message
// is drained before a call returns, and a rejected statement raises DatabaseError.
class Connection {
  public:
    enum State { Closed = 0, Open = 1 };

    virtual ~Connection() = default;

    virtual void open(const QString& connectionString) = 0;
    virtual int state() const = 0;
    virtual void close() = 0;
    virtual void execute(const QString& sql) = 0;
    virtual ResultSet query(const QString& sql) = 0;

    // From another thread while execute() or query() runs: asks the server to stop it (an
    // attention), and the running call then fails. Returns at once, without waiting for the
    // server. A connection that is running nothing, or cannot be interrupted, ignores it.
    virtual void cancel() {}
};

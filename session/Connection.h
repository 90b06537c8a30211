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
};

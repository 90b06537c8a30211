#pragma once

#include <chrono>
#include <memory>

#include "Connection.h"

// The access layer over unixODBC. Every text is sent as one plain batch through
// SQLExecDirectW (forward-only, read-only: never a server cursor), and every result and
// message is read before the call returns, because the server cuts a BACKUP or RESTORE
// short when its client stops reading, and a later statement's error only surfaces then.
//
// A login gives up after `loginTimeout` (TCP connect, PRELOGIN, TLS and LOGIN7 together),
// unless the connection string names its own "Connect Timeout"; statements have no time-out
// unless it names a "Command Timeout", since a restore may rightly take hours.
class OdbcConnection : public Connection {
  public:
    static constexpr std::chrono::seconds kDefaultLoginTimeout{15};

    explicit OdbcConnection(std::chrono::seconds loginTimeout = kDefaultLoginTimeout);
    ~OdbcConnection() override;
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    void open(const QString& connectionString) override;
    int state() const override;
    void close() override;
    void execute(const QString& sql) override;
    ResultSet query(const QString& sql) override;
    void cancel() override;

    // The ODBC handles; kept out of this header so that its users need no ODBC headers.
    struct Link;

  private:
    std::unique_ptr<Link> link_;
    const std::chrono::seconds loginTimeout_;
};

// The real connection, for the composition root and tests against a server.
std::unique_ptr<Connection> makeOdbcConnection();

#pragma once

#include <sql.h>
#include <sqlext.h>

#include "Connection.h"

// The access layer over unixODBC. Every text is sent as one plain batch through
// SQLExecDirectW (forward-only, read-only: never a server cursor), and every result and
// message is read before the call returns, because the server cuts a BACKUP or RESTORE
// short when its client stops reading, and a later statement's error only surfaces then.
class OdbcConnection : public Connection {
  public:
    OdbcConnection() = default;
    ~OdbcConnection() override;
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    void open(const QString& connectionString) override;
    int state() const override { return connected_ ? Open : Closed; }
    void close() override;
    void execute(const QString& sql) override;
    ResultSet query(const QString& sql) override;

  private:
    void requireOpen() const;
    void freeHandles();

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
};

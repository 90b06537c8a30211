#pragma once

#include <memory>

#include "session/Connection.h"

class CallRunner;
class HelperConnection;

// The window's connection: every call that talks to the server runs through the call
// runner, so the window stays alive while the server works. It also hands the login of an
// opened session to the helper connection, and has it forget the login at close.
class ResponsiveConnection : public Connection {
  public:
    ResponsiveConnection(std::unique_ptr<Connection> inner, CallRunner& runner,
                         HelperConnection& helper);

    void open(const QString& connectionString) override;
    int state() const override;
    void close() override;
    void execute(const QString& sql) override;
    ResultSet query(const QString& sql) override;

  private:
    std::unique_ptr<Connection> inner_;
    CallRunner& runner_;
    HelperConnection& helper_;
};

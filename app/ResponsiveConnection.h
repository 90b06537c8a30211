#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "CallRunner.h"
#include "operations/CallPurpose.h"
#include "session/Connection.h"

// The window's connection: every call that talks to the server runs through the call
// runner, so the window stays alive while the server works, and the operator can cancel
// it. A login that is cancelled is abandoned with its connection, which closes once the
// login returns; so is a statement whose cancel the server never acknowledges. Either
// way this connection starts again from a fresh, closed one.
class ResponsiveConnection : public Connection {
  public:
    using Factory = std::function<std::unique_ptr<Connection>()>;

    // `purpose` tells, at each call, what the call is for (the window's current purpose).
    ResponsiveConnection(Factory factory, CallRunner& runner,
                         const std::optional<CallPurpose>& purpose);

    void open(const QString& connectionString) override;
    int state() const override;
    void close() override;
    void execute(const QString& sql) override;
    ResultSet query(const QString& sql) override;

  private:
    template <typename Call>
    auto runStatement(Call call) -> decltype(call(std::declval<Connection&>()));
    // Lets an abandoned call keep the connection it runs on.
    void giveUp();

    Factory factory_;
    CallRunner& runner_;
    const std::optional<CallPurpose>& purpose_;
    std::shared_ptr<Connection> inner_;
};

#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "session/Connection.h"
#include "session/DatabaseError.h"

// The second connection, same login as the tool's own session, opened when first needed.
// Whatever the tool asks the server on its own account (how far a long statement has got,
// which files the server has) goes here, so that the tool's own session receives exactly
// the statements of the operator's operations and nothing else.
class HelperConnection {
  public:
    using Factory = std::function<std::unique_ptr<Connection>()>;

    explicit HelperConnection(Factory factory);
    ~HelperConnection();
    HelperConnection(const HelperConnection&) = delete;
    HelperConnection& operator=(const HelperConnection&) = delete;

    // The connect handler hands over the composed connection string after the tool's own
    // session opened; disconnect and window close call forget(), which closes it.
    void remember(const QString& connectionString);
    void forget();

    // Runs fn(Connection&) on the helper connection, opening it first if needed. Calls are
    // serialised: safe from any thread. Raises Error/DatabaseError; a dead link is closed
    // so that the next call opens afresh. Raises Error when no login was remembered.
    template <typename Fn>
    auto run(Fn&& fn) -> decltype(fn(std::declval<Connection&>())) {
        const std::lock_guard lock(mutex_);
        Connection& connection = openConnection();
        try {
            return std::forward<Fn>(fn)(connection);
        } catch (const DatabaseError& error) {
            if (error.isConnectionFailure()) {
                closeConnection();
            }
            throw;
        }
    }

  private:
    // Both with mutex_ held.
    Connection& openConnection();
    void closeConnection() noexcept;

    Factory factory_;
    std::mutex mutex_;
    std::optional<QString> connectionString_;
    std::unique_ptr<Connection> connection_;
};

#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include "session/Connection.h"
#include "session/DatabaseError.h"

// The second connection, same login as the tool's own session, opened when first needed.
// Whatever the tool asks the server for besides the documented statements goes over it, so
// that the tool's own session receives exactly those.
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
    // serialised (mutex): safe from any thread. Raises Error/DatabaseError; a dead link is
    // closed so that the next call opens afresh. Raises Error when no login was remembered.
    template <typename Fn>
    auto run(Fn&& fn) -> decltype(fn(std::declval<Connection&>())) {
        const std::lock_guard lock(mutex_);
        Connection& connection = openedLocked();
        try {
            return fn(connection);
        } catch (const DatabaseError& error) {
            if (error.isConnectionFailure()) {
                closeLocked();
            }
            throw;
        }
    }

  private:
    Connection& openedLocked();
    void closeLocked();

    Factory factory_;
    std::mutex mutex_;
    QString connectionString_;
    std::unique_ptr<Connection> connection_;
};

#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include "session/Connection.h"
#include "session/DatabaseError.h"

// The second connection, same login as the tool's own session, opened when first needed.
// Whatever the tool asks the server on its own account (how far a long statement has got,
// which files the server has) goes here, so that the tool's own session receives exactly
// the statements of the operator's operations and nothing else.
//
// No statement on it waits for long (each gives up after a few seconds), and nobody waits
// for one: forgetting the login never waits behind a call under way, whose connection is
// closed by that call's own thread when it returns.
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
        const std::shared_ptr<Login> login = currentLogin();
        const std::lock_guard use(login->use);
        Connection& connection = openConnection(*login);
        try {
            return std::forward<Fn>(fn)(connection);
        } catch (const DatabaseError& error) {
            if (error.isConnectionFailure()) {
                login->closeConnection();
            }
            throw;
        }
    }

  private:
    // One remembered login and its connection. It goes, and closes its connection, with
    // the last call that uses it.
    struct Login {
        explicit Login(QString text) : connectionString(std::move(text)) {}
        ~Login() { closeConnection(); }
        Login(const Login&) = delete;
        Login& operator=(const Login&) = delete;
        void closeConnection() noexcept;

        const QString connectionString;
        std::mutex use;  // held for a whole call
        std::unique_ptr<Connection> connection;
    };

    std::shared_ptr<Login> currentLogin();
    // With login.use held.
    Connection& openConnection(Login& login);

    Factory factory_;
    std::mutex mutex_;  // guards login_ alone, never held across a call
    std::shared_ptr<Login> login_;
};

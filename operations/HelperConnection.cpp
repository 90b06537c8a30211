#include "HelperConnection.h"

#include "common/OperatorTexts.h"

namespace {

// The helper's questions are small: one that the server has not answered in this time is
// stuck, and whoever asked gives up on it rather than hold up the window.
const QString kStatementTimeOut = QStringLiteral(";Command Timeout=10");

}  // namespace

HelperConnection::HelperConnection(Factory factory) : factory_(std::move(factory)) {}

HelperConnection::~HelperConnection() = default;

void HelperConnection::remember(const QString& connectionString) {
    const std::lock_guard lock(mutex_);
    if (!login_ || login_->connectionString != connectionString) {
        // A connection of an earlier login goes with its last call.
        login_ = std::make_shared<Login>(connectionString);
    }
}

void HelperConnection::forget() {
    std::shared_ptr<Login> forgotten;
    {
        const std::lock_guard lock(mutex_);
        forgotten = std::move(login_);
    }
    // Closed here unless a call still uses it; closing an idle link sends nothing to wait for.
}

std::shared_ptr<HelperConnection::Login> HelperConnection::currentLogin() {
    const std::lock_guard lock(mutex_);
    if (!login_) {
        throw Error(texts::kNoLoginYet);
    }
    return login_;
}

void HelperConnection::Login::closeConnection() noexcept {
    if (!connection) {
        return;
    }
    try {
        connection->close();
    } catch (const std::exception&) {
        // A link that is already gone cannot be closed politely; the object goes anyway.
    }
    connection.reset();
}

Connection& HelperConnection::openConnection(Login& login) {
    if (!login.connection || login.connection->state() != Connection::Open) {
        login.closeConnection();
        std::unique_ptr<Connection> connection = factory_();
        connection->open(login.connectionString + kStatementTimeOut);
        login.connection = std::move(connection);
    }
    return *login.connection;
}

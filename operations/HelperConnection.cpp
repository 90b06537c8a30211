#include "HelperConnection.h"

namespace {

const QString kNoLogin = QStringLiteral("尚未连接数据库");

}  // namespace

HelperConnection::HelperConnection(Factory factory) : factory_(std::move(factory)) {}

HelperConnection::~HelperConnection() {
    closeConnection();
}

void HelperConnection::remember(const QString& connectionString) {
    const std::lock_guard lock(mutex_);
    if (connectionString_ != connectionString) {
        closeConnection();  // a connection of an earlier login
        connectionString_ = connectionString;
    }
}

void HelperConnection::forget() {
    const std::lock_guard lock(mutex_);
    closeConnection();
    connectionString_.reset();
}

Connection& HelperConnection::openConnection() {
    if (!connectionString_) {
        throw Error(kNoLogin);
    }
    if (!connection_ || connection_->state() != Connection::Open) {
        connection_ = factory_();
        try {
            connection_->open(*connectionString_);
        } catch (...) {
            connection_.reset();
            throw;
        }
    }
    return *connection_;
}

void HelperConnection::closeConnection() noexcept {
    if (!connection_) {
        return;
    }
    try {
        connection_->close();
    } catch (const std::exception&) {
        // A link that is already gone cannot be closed politely; the object goes anyway.
    }
    connection_.reset();
}

bool HelperConnection::isLinkLost(const DatabaseError& error) {
    // SQLSTATE class 08: the connection itself failed, not the statement.
    return error.sqlState().startsWith(QStringLiteral("08"));
}

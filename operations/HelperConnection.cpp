#include "HelperConnection.h"

#include "common/OperatorTexts.h"

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
        throw Error(texts::kNoLoginYet);
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

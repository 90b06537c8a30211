#include "HelperConnection.h"

#include "common/OperatorTexts.h"

HelperConnection::HelperConnection(Factory factory) : factory_(std::move(factory)) {}

HelperConnection::~HelperConnection() {
    forget();
}

void HelperConnection::remember(const QString& connectionString) {
    const std::lock_guard lock(mutex_);
    closeLocked();
    connectionString_ = connectionString;
}

void HelperConnection::forget() {
    const std::lock_guard lock(mutex_);
    closeLocked();
    connectionString_.clear();
}

Connection& HelperConnection::openedLocked() {
    if (connectionString_.isEmpty()) {
        throw Error(texts::kNoLoginYet);
    }
    if (!connection_ || connection_->state() != Connection::Open) {
        connection_ = factory_();
        connection_->open(connectionString_);
    }
    return *connection_;
}

void HelperConnection::closeLocked() {
    if (connection_) {
        try {
            connection_->close();
        } catch (const Error&) {
            // A link that is already gone cannot be closed any further.
        }
        connection_.reset();
    }
}

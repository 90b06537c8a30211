#include "HelperConnection.h"

#include "common/OperatorTexts.h"

namespace {

// Unlike the tool's own session, the helper gives up on a server that does not answer its
// login, so that a disconnect or the window's end never waits on it for long.
const QString kLoginTimeOut = QStringLiteral(";Connect Timeout=10");

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
        throw Error(texts::kNoLoginYet);
    }
    if (!connection_ || connection_->state() != Connection::Open) {
        connection_ = factory_();
        try {
            connection_->open(*connectionString_ + kLoginTimeOut);
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

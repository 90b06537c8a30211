#pragma once

#include <functional>
#include <memory>

#include "session/Connection.h"

// The window's one connection, created on first use and released after a close, so that
// the next use starts from a fresh, closed object.
class ConnectionSlot {
  public:
    using Factory = std::function<std::unique_ptr<Connection>()>;

    explicit ConnectionSlot(Factory factory) : factory_(std::move(factory)) {}

    Connection& get() {
        if (!connection_) {
            connection_ = factory_();
        }
        return *connection_;
    }
    bool exists() const { return connection_ != nullptr; }
    int state() const { return connection_ ? connection_->state() : Connection::Closed; }
    void release() { connection_.reset(); }

  private:
    Factory factory_;
    std::unique_ptr<Connection> connection_;
};

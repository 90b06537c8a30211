#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "session/Connection.h"
#include "session/DatabaseError.h"

// A helper connection whose queries hang until the test lets them go: a server that stalls
// a helper query, for tests and benchmarks of what must not wait behind one.
class StallingConnection : public Connection {
  public:
    explicit StallingConnection(std::shared_ptr<std::atomic<bool>> released)
        : released_(std::move(released)) {}
    void open(const QString&) override { open_ = true; }
    int state() const override { return open_ ? Open : Closed; }
    void close() override { open_ = false; }
    void execute(const QString& sql) override { query(sql); }
    ResultSet query(const QString&) override {
        while (!*released_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        throw DatabaseError("released", "HYT00");
    }

  private:
    std::shared_ptr<std::atomic<bool>> released_;
    bool open_ = false;
};

#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "ConnectionTable.h"
#include "SessionSettings.h"
#include "devserver/engine/Instance.h"

namespace devserver::tds {

class BatchLog;

// Listens for TDS clients and serves each connection on a thread of its own.
class Server {
  public:
    struct Options {
        std::string bindAddress = "127.0.0.1";
        std::uint16_t port = 0;  // 0: any free port
        SessionSettings session;
    };

    // Registers itself as the instance's session terminator; `log` may be null.
    Server(Instance& instance, BatchLog* log, Options options);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds, listens and starts accepting; throws std::runtime_error when it cannot.
    void start();
    // Stops accepting, drops every connection and waits for their threads. Idempotent.
    void stop();

    std::uint16_t port() const { return port_; }
    const std::string& host() const { return options_.bindAddress; }

  private:
    struct Worker {
        std::thread thread;
        std::atomic<bool> finished{false};
    };

    void acceptLoop();
    void spawn(int socket);
    void reapFinishedWorkers();

    Instance& instance_;
    BatchLog* log_;
    Options options_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    ConnectionTable connections_;
    std::mutex workersMutex_;
    std::list<std::unique_ptr<Worker>> workers_;
};

}  // namespace devserver::tds

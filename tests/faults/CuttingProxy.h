#pragma once

#include <atomic>
#include <string>
#include <thread>

// A loopback TCP relay between the tool and the development server that plays a server
// dying in the middle of an operation: once a client sends a request containing the
// trigger text, the request is not forwarded and every relayed connection is closed.
class CuttingProxy {
  public:
    explicit CuttingProxy(int serverPort);
    ~CuttingProxy();
    CuttingProxy(const CuttingProxy&) = delete;
    CuttingProxy& operator=(const CuttingProxy&) = delete;

    int port() const { return port_; }
    void setServerPort(int port) { serverPort_ = port; }
    // UTF-16LE text as a SQL batch carries it; empty disarms. Either way the relay works
    // again for new connections.
    void cutOn(const std::u16string& trigger);
    bool hasCut() const { return cut_; }

  private:
    void acceptLoop();
    void relay(int client);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<int> serverPort_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> cut_{false};
    std::string trigger_;  // bytes of the UTF-16LE trigger
    std::atomic<bool> armed_{false};
    std::thread acceptor_;
};

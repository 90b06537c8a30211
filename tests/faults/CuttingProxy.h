#pragma once

#include <atomic>
#include <string>
#include <thread>

// A loopback TCP relay between the tool and the development server that plays a server
// dying in the middle of an operation: the n-th request that any client sends once the
// relay is armed is not forwarded, and every relayed connection is closed. Requests are
// recognised by their framing, not read, because the tool's connections are encrypted: a
// SQL batch or RPC packet in clear, or a TLS application-data record after the one that
// carried the connection's login. The tool sends each request in one piece and waits for
// its answer before the next.
class CuttingProxy {
  public:
    explicit CuttingProxy(int serverPort);
    ~CuttingProxy();
    CuttingProxy(const CuttingProxy&) = delete;
    CuttingProxy& operator=(const CuttingProxy&) = delete;

    int port() const { return port_; }
    void setServerPort(int port) { serverPort_ = port; }
    // Counting from now, on every connection; 0 disarms. Either way the relay works again
    // for new connections.
    void cutOnRequest(int nth);
    bool hasCut() const { return cut_; }

  private:
    void acceptLoop();
    void relay(int client);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<int> serverPort_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> cut_{false};
    std::atomic<int> requestsToCut_{0};  // 0: disarmed
    std::thread acceptor_;
};

#pragma once

#include <atomic>

#include "support/TdsRelay.h"

// A loopback TCP relay between the tool and the development server that plays a server
// dying in the middle of an operation: the n-th request that any client sends once the
// relay is armed is not forwarded, and every relayed connection is closed. Requests are
// recognised by their framing (see TdsRelay), not read, because the tool's connections are
// encrypted. The tool waits for each request's answer before it sends the next.
class CuttingProxy {
  public:
    explicit CuttingProxy(int serverPort);
    ~CuttingProxy();
    CuttingProxy(const CuttingProxy&) = delete;
    CuttingProxy& operator=(const CuttingProxy&) = delete;

    int port() const { return relay_.port(); }
    void setServerPort(int port) { relay_.setServerPort(port); }
    // Counting from now, on every connection; 0 disarms. Either way the relay works again
    // for new connections.
    void cutOnRequest(int nth);
    bool hasCut() const { return cut_; }

  private:
    bool pass(bool isRequest);

    std::atomic<bool> cut_{false};
    std::atomic<int> requestsToCut_{0};  // 0: disarmed
    TdsRelay relay_;
};

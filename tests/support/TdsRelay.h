#pragma once

#include <atomic>
#include <functional>
#include <string_view>
#include <thread>

// A loopback TCP relay between TDS clients and a server port, one thread per connection.
// Its owner's hooks see every chunk that passes and may cut connections: tests use it to
// record the wire or to play a server that dies mid-operation. An owner declares its relay
// last, so that the relay stops before the state its hooks use goes away.
class TdsRelay {
  public:
    struct Hooks {
        // Each chunk as it passes, from the client or from the server. isRequest: a client's
        // SQL batch or RPC, recognised by its framing alone because the tool's connections
        // are encrypted (a TLS application-data record after the one that carried the
        // login counts as one); the tool sends each request in one piece. False closes this
        // connection instead of passing the chunk on.
        std::function<bool(std::string_view chunk, bool fromClient, bool isRequest)> pass;
        // Asked between chunks: true closes every connection.
        std::function<bool()> cutAll = [] { return false; };
    };

    TdsRelay(int serverPort, Hooks hooks);
    ~TdsRelay();
    TdsRelay(const TdsRelay&) = delete;
    TdsRelay& operator=(const TdsRelay&) = delete;

    int port() const { return port_; }
    void setServerPort(int port) { serverPort_ = port; }

  private:
    void acceptLoop();
    void relay(int client);

    Hooks hooks_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<int> serverPort_;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
};

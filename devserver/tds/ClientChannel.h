#pragma once

#include <memory>

#include "SocketTransport.h"
#include "TlsSession.h"

namespace devserver::tds {

// One connection's stream as its session sees it: in clear at first; inside TLS once the
// handshake is done, either for the login only or for good.
class ClientChannel : public Transport {
  public:
    explicit ClientChannel(int socket) : socket_(socket) {}

    SocketTransport& socket() { return socket_; }

    // From now on everything goes through `tls`, whose handshake is complete.
    void encryptWith(std::unique_ptr<TlsSession> tls) { tls_ = std::move(tls); }
    // Back to clear, as after a login that alone was to be encrypted.
    void stopEncrypting() { tls_.reset(); }

    std::size_t receiveSome(std::span<std::uint8_t> buffer) override {
        return tls_ ? tls_->receiveSome(buffer) : socket_.receiveSome(buffer);
    }
    void sendAll(std::span<const std::uint8_t> data) override {
        if (tls_) {
            tls_->sendAll(data);
        } else {
            socket_.sendAll(data);
        }
    }

  private:
    SocketTransport socket_;
    std::unique_ptr<TlsSession> tls_;
};

}  // namespace devserver::tds

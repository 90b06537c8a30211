#pragma once

#include <openssl/types.h>

#include <span>
#include <string>

#include "ByteWriter.h"
#include "TlsContext.h"
#include "Transport.h"

namespace devserver::tds {

// The server's end of one connection's TLS. The handshake arrives inside PRELOGIN packets
// and its answers leave the same way, so it is driven step by step by the session; after
// it, TLS records run straight over the socket and this object is the connection's stream.
// Records are read one whole record at a time, so that when only the login was to be
// encrypted, not a byte of what follows in clear is swallowed.
class TlsSession : public Transport {
  public:
    TlsSession(const TlsContext& context, Transport& socket);
    ~TlsSession() override;
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    struct HandshakeStep {
        Bytes reply;            // to send back inside PRELOGIN packets, possibly empty
        bool finished = false;  // the handshake is complete
        std::string failure;    // set when the handshake failed (reply may hold an alert)
    };
    HandshakeStep continueHandshake(std::span<const std::uint8_t> fromClient);

    std::size_t receiveSome(std::span<std::uint8_t> buffer) override;
    void sendAll(std::span<const std::uint8_t> data) override;

  private:
    // One TLS record from the socket into OpenSSL; false at a clean end of the stream.
    bool readRecord();
    Bytes takeOutput();

    Transport& socket_;
    SSL* ssl_ = nullptr;
    BIO* incoming_ = nullptr;  // owned by ssl_
    BIO* outgoing_ = nullptr;  // owned by ssl_
};

}  // namespace devserver::tds

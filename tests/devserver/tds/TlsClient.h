#pragma once

#include <openssl/types.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The client's end of TLS for the raw protocol client, over memory buffers: the caller
// carries the bytes, inside PRELOGIN packets during the handshake and straight over the
// socket afterwards. It checks nothing of the server's certificate, as FreeTDS without a
// CA file does not; tests read the certificate themselves.
namespace tdstest {

class TlsClient {
  public:
    TlsClient();
    ~TlsClient();
    TlsClient(const TlsClient&) = delete;
    TlsClient& operator=(const TlsClient&) = delete;

    // Feeds what the server sent (nothing, to begin); returns true once the handshake is
    // complete. Throws std::runtime_error when it fails.
    bool continueHandshake(std::span<const std::uint8_t> fromServer);
    // What TLS wants sent to the server now.
    std::vector<std::uint8_t> takeOutput();

    std::vector<std::uint8_t> encrypt(std::span<const std::uint8_t> plaintext);
    void feed(std::span<const std::uint8_t> ciphertext);
    // Decrypted bytes available now, up to the buffer's size; 0 when more must be fed.
    std::size_t readPlain(std::span<std::uint8_t> buffer);

    std::string protocolVersion() const;
    // The common name of the certificate the server presented.
    std::string peerCommonName() const;

  private:
    SSL_CTX* context_ = nullptr;
    SSL* ssl_ = nullptr;
    BIO* incoming_ = nullptr;
    BIO* outgoing_ = nullptr;
};

}  // namespace tdstest

#include "TlsSession.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <array>

#include "ProtocolError.h"

namespace devserver::tds {
namespace {

constexpr std::size_t kRecordHeaderSize = 5;
// TLS 1.2 allows 2^14 bytes of plaintext plus 2,048 of expansion in one record.
constexpr std::size_t kMaxRecordBody = 16384 + 2048;
constexpr std::size_t kMaxPlaintextRecord = 16384;

std::string openSslReason() {
    unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) {
        return "the peer broke the protocol";
    }
    std::array<char, 256> text{};
    ERR_error_string_n(code, text.data(), text.size());
    return text.data();
}

}  // namespace

TlsSession::TlsSession(const TlsContext& context, Transport& socket) : socket_(socket) {
    ssl_ = SSL_new(context.get());
    incoming_ = BIO_new(BIO_s_mem());
    outgoing_ = BIO_new(BIO_s_mem());
    if (ssl_ == nullptr || incoming_ == nullptr || outgoing_ == nullptr) {
        BIO_free(incoming_);
        BIO_free(outgoing_);
        SSL_free(ssl_);
        throw std::runtime_error("cannot start TLS for a connection");
    }
    SSL_set_bio(ssl_, incoming_, outgoing_);
    SSL_set_accept_state(ssl_);
}

TlsSession::~TlsSession() {
    SSL_free(ssl_);
}

Bytes TlsSession::takeOutput() {
    Bytes out(BIO_ctrl_pending(outgoing_));
    if (!out.empty()) {
        int n = BIO_read(outgoing_, out.data(), static_cast<int>(out.size()));
        out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    return out;
}

TlsSession::HandshakeStep TlsSession::continueHandshake(std::span<const std::uint8_t> fromClient) {
    ERR_clear_error();
    if (!fromClient.empty()) {
        BIO_write(incoming_, fromClient.data(), static_cast<int>(fromClient.size()));
    }
    HandshakeStep step;
    int rc = SSL_do_handshake(ssl_);
    int error = rc == 1 ? SSL_ERROR_NONE : SSL_get_error(ssl_, rc);
    if (error != SSL_ERROR_NONE && error != SSL_ERROR_WANT_READ) {
        step.failure = "TLS handshake failed: " + openSslReason();
    }
    step.finished = rc == 1;
    step.reply = takeOutput();
    return step;
}

bool TlsSession::readRecord() {
    std::array<std::uint8_t, kRecordHeaderSize> header{};
    std::size_t got = receiveUpTo(socket_, header);
    if (got == 0) {
        return false;
    }
    if (got < header.size()) {
        throw ProtocolError("connection ended inside a TLS record header");
    }
    std::size_t length = (static_cast<std::size_t>(header[3]) << 8) | header[4];
    if (length > kMaxRecordBody) {
        throw ProtocolError("TLS record longer than TLS allows");
    }
    Bytes record(header.begin(), header.end());
    record.resize(kRecordHeaderSize + length);
    if (receiveUpTo(socket_, std::span(record).subspan(kRecordHeaderSize)) < length) {
        throw ProtocolError("connection ended inside a TLS record");
    }
    BIO_write(incoming_, record.data(), static_cast<int>(record.size()));
    return true;
}

std::size_t TlsSession::receiveSome(std::span<std::uint8_t> buffer) {
    if (buffer.empty()) {
        return 0;
    }
    for (;;) {
        ERR_clear_error();
        int n = SSL_read(ssl_, buffer.data(), static_cast<int>(buffer.size()));
        if (n > 0) {
            return static_cast<std::size_t>(n);
        }
        int error = SSL_get_error(ssl_, n);
        if (error == SSL_ERROR_ZERO_RETURN) {
            return 0;  // the client closed TLS
        }
        if (error != SSL_ERROR_WANT_READ) {
            throw ProtocolError("TLS: " + openSslReason());
        }
        // Anything TLS wants to say first (an alert, for one) goes out before waiting.
        if (Bytes pending = takeOutput(); !pending.empty()) {
            socket_.sendAll(pending);
        }
        if (!readRecord()) {
            return 0;
        }
    }
}

void TlsSession::sendAll(std::span<const std::uint8_t> data) {
    std::size_t sent = 0;
    do {
        std::size_t chunk = std::min(kMaxPlaintextRecord, data.size() - sent);
        ERR_clear_error();
        if (chunk > 0 && SSL_write(ssl_, data.data() + sent, static_cast<int>(chunk)) <= 0) {
            throw ConnectionClosed("TLS: " + openSslReason());
        }
        sent += chunk;
        socket_.sendAll(takeOutput());
    } while (sent < data.size());
}

}  // namespace devserver::tds

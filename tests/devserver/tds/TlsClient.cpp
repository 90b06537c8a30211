#include "TlsClient.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <stdexcept>

namespace tdstest {
namespace {

std::string reason() {
    char text[256];
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    ERR_clear_error();
    return text;
}

}  // namespace

TlsClient::TlsClient() {
    context_ = SSL_CTX_new(TLS_client_method());
    ssl_ = SSL_new(context_);
    incoming_ = BIO_new(BIO_s_mem());
    outgoing_ = BIO_new(BIO_s_mem());
    SSL_set_bio(ssl_, incoming_, outgoing_);
    SSL_set_connect_state(ssl_);
}

TlsClient::~TlsClient() {
    SSL_free(ssl_);
    SSL_CTX_free(context_);
}

bool TlsClient::continueHandshake(std::span<const std::uint8_t> fromServer) {
    if (!fromServer.empty()) {
        BIO_write(incoming_, fromServer.data(), static_cast<int>(fromServer.size()));
    }
    int rc = SSL_do_handshake(ssl_);
    if (rc == 1) {
        return true;
    }
    if (SSL_get_error(ssl_, rc) != SSL_ERROR_WANT_READ) {
        throw std::runtime_error("TLS handshake with the devserver failed: " + reason());
    }
    return false;
}

std::vector<std::uint8_t> TlsClient::takeOutput() {
    std::vector<std::uint8_t> out(BIO_ctrl_pending(outgoing_));
    if (!out.empty()) {
        BIO_read(outgoing_, out.data(), static_cast<int>(out.size()));
    }
    return out;
}

std::vector<std::uint8_t> TlsClient::encrypt(std::span<const std::uint8_t> plaintext) {
    if (!plaintext.empty() &&
        SSL_write(ssl_, plaintext.data(), static_cast<int>(plaintext.size())) <= 0) {
        throw std::runtime_error("TLS write failed: " + reason());
    }
    return takeOutput();
}

void TlsClient::feed(std::span<const std::uint8_t> ciphertext) {
    BIO_write(incoming_, ciphertext.data(), static_cast<int>(ciphertext.size()));
}

std::size_t TlsClient::readPlain(std::span<std::uint8_t> buffer) {
    int n = SSL_read(ssl_, buffer.data(), static_cast<int>(buffer.size()));
    if (n > 0) {
        return static_cast<std::size_t>(n);
    }
    int error = SSL_get_error(ssl_, n);
    if (error == SSL_ERROR_WANT_READ) {
        return 0;
    }
    throw std::runtime_error("TLS read failed: " + reason());
}

std::string TlsClient::protocolVersion() const {
    return SSL_get_version(ssl_);
}

std::string TlsClient::peerCommonName() const {
    X509* certificate = SSL_get1_peer_certificate(ssl_);
    if (certificate == nullptr) {
        return {};
    }
    char name[256] = {};
    X509_NAME_get_text_by_NID(X509_get_subject_name(certificate), NID_commonName, name,
                              sizeof name);
    X509_free(certificate);
    return name;
}

}  // namespace tdstest

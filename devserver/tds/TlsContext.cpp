#include "TlsContext.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <string>

namespace devserver::tds {

TlsContext::TlsContext(const CertificateFiles& files) {
    checkCertificateFiles(files);
    context_ = SSL_CTX_new(TLS_server_method());
    if (context_ == nullptr) {
        throw CertificateError("cannot set up TLS");
    }
    SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
    SSL_CTX_set_max_proto_version(context_, TLS1_2_VERSION);
    // Clients of TDS 7.x never resume a session; nothing need be kept between connections.
    SSL_CTX_set_session_cache_mode(context_, SSL_SESS_CACHE_OFF);
    // Nor may a client renegotiate, which would let it make the server sign on demand.
    SSL_CTX_set_options(context_, SSL_OP_NO_TICKET | SSL_OP_NO_RENEGOTIATION);
    if (SSL_CTX_use_certificate_chain_file(context_, files.certificate.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context_, files.key.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(context_) != 1) {
        ERR_clear_error();
        SSL_CTX_free(context_);
        throw CertificateError("TLS refuses the certificate " + files.certificate.string() +
                               " with the key " + files.key.string());
    }
}

TlsContext::~TlsContext() {
    SSL_CTX_free(context_);
}

}  // namespace devserver::tds

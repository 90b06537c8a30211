#pragma once

#include <openssl/types.h>

#include "Certificate.h"

namespace devserver::tds {

// The server's TLS settings, made once at start and shared by every connection: its
// certificate and key, and TLS 1.2, the version SQL Server speaks inside TDS 7.x packets.
class TlsContext {
  public:
    // Checks the files first (checkCertificateFiles); throws CertificateError.
    explicit TlsContext(const CertificateFiles& files);
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    SSL_CTX* get() const { return context_; }

  private:
    SSL_CTX* context_ = nullptr;
};

}  // namespace devserver::tds

#pragma once

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace devserver::tds {

// The certificate or key the server was given cannot serve; what() is one line that says
// which file and why.
class CertificateError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct CertificateFiles {
    std::filesystem::path certificate;  // PEM; the server's own certificate first
    std::filesystem::path key;          // PEM, not protected by a passphrase
};

struct PemPair {
    std::string certificate;
    std::string key;
};

// A self-signed certificate (ECDSA P-256, SHA-256) for `names` (host names or IP
// addresses, the first one also its common name), valid from `notBefore` to `notAfter`.
PemPair makeSelfSignedCertificate(const std::vector<std::string>& names,
                                  std::chrono::system_clock::time_point notBefore,
                                  std::chrono::system_clock::time_point notAfter);

// A certificate as SQL Server makes its own when none is installed: self-signed, RSA 2048
// with SHA-256, subject and issuer CN=SSL_Self_Signed_Fallback, naming no host at all.
PemPair makeFallbackCertificate(std::chrono::system_clock::time_point notBefore,
                                std::chrono::system_clock::time_point notAfter);

// Reads both files and checks that the key belongs to the certificate and that the
// certificate is valid today; throws CertificateError otherwise.
void checkCertificateFiles(const CertificateFiles& files);

// The server's own certificate in its data folder (a fallback one, above), made on first
// start and kept; made again when the one there no longer serves (expired, damaged), and at
// every start when `renew` is set, as SQL Server makes its own at every start of the service.
CertificateFiles ownCertificate(const std::filesystem::path& dataDir, bool renew = false);

}  // namespace devserver::tds

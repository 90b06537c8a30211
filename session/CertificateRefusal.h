#pragma once

#include <optional>

#include "DatabaseError.h"
#include "ServerCertificate.h"
#include "ServerName.h"

// A server whose certificate the tool does not trust, refused before any login was sent.
// The operator may trust it: the description is the refusal shown when they do not.
class UntrustedCertificate : public DatabaseError {
  public:
    enum class Reason {
        UnknownIssuer,  // no CA of the system's bundle vouches for it
        OtherName,      // it does not name the server as typed
        Changed,        // it is not the one the operator pinned
    };

    UntrustedCertificate(QString description, Reason reason, server_name::ServerName server,
                         ServerCertificate presented, std::optional<ServerCertificate> pinned,
                         bool bundleVouches, const DatabaseError& driverError)
        : DatabaseError(std::move(description), driverError.sqlState(), driverError.nativeError()),
          reason_(reason),
          server_(std::move(server)),
          presented_(std::move(presented)),
          pinned_(std::move(pinned)),
          bundleVouches_(bundleVouches) {}

    Reason reason() const { return reason_; }
    const server_name::ServerName& server() const { return server_; }
    const ServerCertificate& presented() const { return presented_; }
    // The pinned certificate, for a changed one.
    const std::optional<ServerCertificate>& pinned() const { return pinned_; }
    // A changed certificate that the system's bundle vouches for, name included: trusting it
    // means dropping the pin.
    bool bundleVouches() const { return bundleVouches_; }

  private:
    Reason reason_;
    server_name::ServerName server_;
    ServerCertificate presented_;
    std::optional<ServerCertificate> pinned_;
    bool bundleVouches_;
};

namespace certificate_refusal {

// After the driver refused a connect to `server` in its TLS handshake: asks the server
// what it presents (no login is sent) and raises what says why. UntrustedCertificate for an
// unknown issuer, another name or a changed certificate; a DatabaseError with its own text
// for a server that cannot encrypt or a certificate out of its validity; for a Windows
// login whose certificate passes, the Kerberos text, since the driver words that failure
// alike.
[[noreturn]] void raise(const server_name::ServerName& server, bool windowsLogin,
                        const DatabaseError& driverError);

// The operator's word on a refused certificate: pins it, or for a changed certificate that
// the bundle vouches for, drops the pin. Raises Error for an authority's certificate.
void trust(const UntrustedCertificate& refusal);

}  // namespace certificate_refusal

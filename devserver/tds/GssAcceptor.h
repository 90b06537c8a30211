#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "ByteWriter.h"

namespace devserver::tds {

// GSS-API refused the client's token: a bad, forged, expired or replayed ticket, a key the
// keytab does not hold, or a token that is no token at all. what() holds GSS-API's words.
class GssRefusal : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The server's half of one GSS-API security context: Kerberos, raw or inside SPNEGO, with
// the keys of a keytab. The keytab is read when the first token arrives, so a keytab
// written while the server runs counts from the next login on.
class GssAcceptor {
  public:
    struct Step {
        bool complete = false;
        Bytes reply;  // for the client; may be empty
    };

    // replayCache: the file in which tokens already accepted are remembered.
    GssAcceptor(std::filesystem::path keytab, std::filesystem::path replayCache);
    ~GssAcceptor();
    GssAcceptor(const GssAcceptor&) = delete;
    GssAcceptor& operator=(const GssAcceptor&) = delete;

    // Feeds the client's next token; throws GssRefusal.
    Step accept(std::span<const std::uint8_t> token);

    // The authenticated principal, e.g. "alice@EXAMPLE.ORG"; only once a step completed.
    std::string clientPrincipal() const;

  private:
    struct Handles;

    std::filesystem::path keytab_;
    std::filesystem::path replayCache_;
    std::unique_ptr<Handles> handles_;
};

}  // namespace devserver::tds

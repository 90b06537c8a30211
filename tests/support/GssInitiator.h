#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// The client's half of a GSS-API context, from the tickets of the current credential cache,
// for tests that build the tokens of an integrated login themselves: raw Kerberos as FreeTDS
// sends it, SPNEGO as Windows clients wrap it, or the three-leg DCE style that makes the
// server ask for a further token.
class GssInitiator {
  public:
    enum class Style { Kerberos, Spnego, KerberosDceStyle };
    using Bytes = std::vector<std::uint8_t>;

    // servicePrincipal as FreeTDS names it, e.g. "MSSQLSvc/127.0.0.1:1433" (default realm).
    GssInitiator(const std::string& servicePrincipal, Style style);
    ~GssInitiator();
    GssInitiator(const GssInitiator&) = delete;
    GssInitiator& operator=(const GssInitiator&) = delete;

    // The token for LOGIN7; throws std::runtime_error with GSS-API's words.
    Bytes firstToken();
    // Takes the server's token and gives the next one for the server (empty when none);
    // throws std::runtime_error when GSS-API refuses the server's token.
    Bytes answer(std::span<const std::uint8_t> serverToken);
    // The server proved that it holds the service's key (mutual authentication).
    bool complete() const { return complete_; }

  private:
    Bytes step(std::span<const std::uint8_t> input);

    struct Handles;
    std::unique_ptr<Handles> handles_;
    Style style_;
    bool complete_ = false;
};

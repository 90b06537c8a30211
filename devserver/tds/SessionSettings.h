#pragma once

#include <chrono>
#include <optional>

#include "Encryption.h"
#include "IntegratedLogin.h"

namespace devserver::tds {

class TlsContext;

// What every connection of a server shares: the encryption it offers, how long a client
// may take to log in, and whether Windows logins are accepted.
struct SessionSettings {
    EncryptionMode encryption = EncryptionMode::Off;
    const TlsContext* tls = nullptr;  // required unless encryption is Off
    std::chrono::milliseconds loginTimeout = std::chrono::seconds(60);
    // Without it, integrated (Windows) logins are refused as from an untrusted domain.
    std::optional<IntegratedLoginOptions> integratedLogin = std::nullopt;
};

}  // namespace devserver::tds

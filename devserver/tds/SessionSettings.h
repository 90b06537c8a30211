#pragma once

#include <chrono>

#include "Encryption.h"

namespace devserver::tds {

class TlsContext;

// What every connection of a server shares: the encryption it offers and how long a client
// may take to log in.
struct SessionSettings {
    EncryptionMode encryption = EncryptionMode::Off;
    const TlsContext* tls = nullptr;  // required unless encryption is Off
    std::chrono::milliseconds loginTimeout = std::chrono::seconds(60);
};

}  // namespace devserver::tds

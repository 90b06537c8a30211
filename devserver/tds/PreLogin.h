#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "ByteWriter.h"
#include "Encryption.h"

namespace devserver::tds {

// What the server reads from a client's PRELOGIN: only its encryption setting matters.
struct PreLoginRequest {
    std::optional<EncryptionSetting> encryption;  // nullopt when the client left it out
};

// Throws ProtocolError when the option table is malformed (an option outside the message)
// or the encryption setting is not one MS-TDS defines.
PreLoginRequest parsePreLogin(std::span<const std::uint8_t> payload);

// VERSION, ENCRYPTION (the server's answer), INSTOPT, THREADID.
Bytes preLoginReply(EncryptionSetting encryption);

}  // namespace devserver::tds

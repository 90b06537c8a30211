#pragma once

#include <cstdint>
#include <span>

#include "ByteWriter.h"

namespace devserver::tds {

// Checks that a client's PRELOGIN option table is well formed (every option inside the
// message); throws ProtocolError otherwise. The options themselves change nothing: the
// answer is always the same.
void validatePreLogin(std::span<const std::uint8_t> payload);

// VERSION, ENCRYPTION = not supported (there is no TLS here, so clients log in in clear),
// INSTOPT, THREADID.
Bytes preLoginReply();

}  // namespace devserver::tds

#pragma once

#include <cstdint>
#include <string_view>

#include "ByteWriter.h"
#include "TdsVersion.h"
#include "devserver/engine/Reply.h"

namespace devserver::tds {

// The tokens of an accepted login, in the order SQL Server sends them: database, collation,
// language, packet size, LOGINACK, and the final DONE that ends the client's login loop.
Bytes encodeLoginAccepted(std::u16string_view database, std::uint32_t packetSize,
                          TdsVersion version);

// ERROR then DONE(ERROR); the connection is closed after it.
Bytes encodeLoginRefused(const Message& error, TdsVersion version);

}  // namespace devserver::tds

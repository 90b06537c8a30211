#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "ByteWriter.h"
#include "TdsVersion.h"
#include "devserver/engine/Reply.h"

namespace devserver::tds {

// The tokens of an accepted login, in the order SQL Server sends them: the server's last
// GSS-API token of an integrated login (when there is one), database, collation, language,
// packet size, LOGINACK, and the final DONE that ends the client's login loop.
Bytes encodeLoginAccepted(std::span<const std::uint8_t> lastSspiToken, std::u16string_view database,
                          std::uint32_t packetSize, TdsVersion version);

// The server's token of an unfinished GSS-API exchange, alone: the client answers with an
// SSPI message.
Bytes encodeSspiContinuation(std::span<const std::uint8_t> token, TdsVersion version);

// ERROR then DONE(ERROR); the connection is closed after it.
Bytes encodeLoginRefused(const Message& error, TdsVersion version);

}  // namespace devserver::tds

#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace devserver::tds {

struct Login7 {
    std::uint32_t tdsVersion = 0;
    std::uint32_t packetSize = 0;
    std::uint32_t clientProcessId = 0;
    bool integratedSecurity = false;
    std::u16string hostName;
    std::u16string userName;
    std::u16string password;
    std::u16string appName;
    std::u16string serverName;
    std::u16string database;
};

// Reads the fields the server uses from a LOGIN7 message (7.1 to 7.4 layouts). Throws
// ProtocolError when the fixed part is short or a field lies outside the message.
Login7 parseLogin7(std::span<const std::uint8_t> payload);

// The packet size a session uses: the client's request within SQL Server's limits; 0 asks
// for the server's default.
std::uint32_t negotiatePacketSize(std::uint32_t requested);

}  // namespace devserver::tds

#pragma once

#include <cstdint>

namespace devserver::tds {

// The exact TDSVersion values of MS-TDS; clients such as tedious accept no others in LOGINACK.
enum class TdsVersion : std::uint32_t {
    V7_1 = 0x71000001,
    V7_2 = 0x72090002,
    V7_3A = 0x730A0003,
    V7_3B = 0x730B0003,
    V7_4 = 0x74000004,
};

// The version a session speaks: the client's, at most 7.4. Below 7.1 is refused with a
// ProtocolError because those clients expect layouts this server does not write.
TdsVersion negotiateVersion(std::uint32_t clientVersion);

// 7.2 widened several fields (DONE row count, user type, message line number) and added
// ALL_HEADERS in front of requests.
inline bool hasWideFields(TdsVersion version) {
    return static_cast<std::uint32_t>(version) >= static_cast<std::uint32_t>(TdsVersion::V7_2);
}

}  // namespace devserver::tds

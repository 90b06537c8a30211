#include "Login7.h"

#include <algorithm>
#include <vector>

#include "ByteReader.h"
#include "ProtocolError.h"

namespace devserver::tds {
namespace {

constexpr std::uint8_t kIntegratedSecurity = 0x80;  // fIntSecurity in OptionFlags2
// Everything up to the Database offset/length pair; 7.1 and 7.2+ share this part.
constexpr std::size_t kFixedPartUsed = 72;

// Passwords travel with each byte's nibbles swapped and then XORed with 0xA5.
std::uint8_t unscramble(std::uint8_t byte) {
    byte ^= 0xA5;
    return static_cast<std::uint8_t>((byte << 4) | (byte >> 4));
}

struct FieldRef {
    std::uint16_t offset;
    std::uint16_t units;
};

FieldRef readFieldRef(ByteReader& reader) {
    FieldRef ref{};
    ref.offset = reader.u16le();
    ref.units = reader.u16le();
    return ref;
}

std::span<const std::uint8_t> fieldBytes(std::span<const std::uint8_t> payload, FieldRef ref) {
    std::size_t length = static_cast<std::size_t>(ref.units) * 2;
    if (ref.units == 0) {
        return {};
    }
    if (ref.offset + length > payload.size()) {
        throw ProtocolError("LOGIN7 field outside the message");
    }
    return payload.subspan(ref.offset, length);
}

}  // namespace

Login7 parseLogin7(std::span<const std::uint8_t> payload) {
    if (payload.size() < kFixedPartUsed) {
        throw ProtocolError("LOGIN7 shorter than its fixed part");
    }
    ByteReader reader(payload);
    Login7 login;
    reader.skip(4);  // Length: the packet framing already delimits the message
    login.tdsVersion = reader.u32le();
    login.packetSize = reader.u32le();
    reader.skip(4);  // ClientProgVer
    login.clientProcessId = reader.u32le();
    reader.skip(4);  // ConnectionID
    reader.skip(1);  // OptionFlags1
    login.integratedSecurity = (reader.u8() & kIntegratedSecurity) != 0;
    reader.skip(1 + 1 + 4 + 4);  // TypeFlags, OptionFlags3, ClientTimeZone, ClientLCID

    FieldRef hostName = readFieldRef(reader);
    FieldRef userName = readFieldRef(reader);
    FieldRef password = readFieldRef(reader);
    FieldRef appName = readFieldRef(reader);
    FieldRef serverName = readFieldRef(reader);
    readFieldRef(reader);  // 7.4 feature extension: an offset to an offset, never text
    readFieldRef(reader);  // CltIntName
    readFieldRef(reader);  // Language
    FieldRef database = readFieldRef(reader);

    login.hostName = decodeUtf16le(fieldBytes(payload, hostName));
    login.userName = decodeUtf16le(fieldBytes(payload, userName));
    login.appName = decodeUtf16le(fieldBytes(payload, appName));
    login.serverName = decodeUtf16le(fieldBytes(payload, serverName));
    login.database = decodeUtf16le(fieldBytes(payload, database));

    auto scrambled = fieldBytes(payload, password);
    std::vector<std::uint8_t> plain(scrambled.size());
    std::transform(scrambled.begin(), scrambled.end(), plain.begin(), unscramble);
    login.password = decodeUtf16le(plain);
    return login;
}

std::uint32_t negotiatePacketSize(std::uint32_t requested) {
    constexpr std::uint32_t kDefault = 4096;
    constexpr std::uint32_t kSmallest = 512;
    constexpr std::uint32_t kLargest = 32767;
    if (requested == 0) {
        return kDefault;
    }
    return std::clamp(requested, kSmallest, kLargest);
}

}  // namespace devserver::tds

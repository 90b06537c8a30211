#include "PreLogin.h"

#include "ByteReader.h"
#include "ProtocolError.h"
#include "ServerIdentity.h"

namespace devserver::tds {
namespace {

constexpr std::uint8_t kTerminator = 0xFF;
constexpr std::uint8_t kVersionOption = 0x00;
constexpr std::uint8_t kEncryptionOption = 0x01;
constexpr std::uint8_t kInstanceOption = 0x02;
constexpr std::uint8_t kThreadIdOption = 0x03;

}  // namespace

PreLoginRequest parsePreLogin(std::span<const std::uint8_t> payload) {
    PreLoginRequest request;
    ByteReader reader(payload);
    for (;;) {
        std::uint8_t option = reader.u8();
        if (option == kTerminator) {
            return request;
        }
        std::size_t offset = reader.u16be();
        std::size_t length = reader.u16be();
        if (offset + length > payload.size()) {
            throw ProtocolError("PRELOGIN option outside the message");
        }
        if (option == kEncryptionOption && length >= 1) {
            request.encryption = encryptionSettingOf(payload[offset]);
            if (!request.encryption) {
                throw ProtocolError("PRELOGIN encryption setting unknown");
            }
        }
    }
}

Bytes preLoginReply(EncryptionSetting encryption) {
    struct Option {
        std::uint8_t token;
        Bytes data;
    };
    const Option options[] = {
        {kVersionOption,
         {kVersionMajor, kVersionMinor, static_cast<std::uint8_t>(kVersionBuild >> 8),
          static_cast<std::uint8_t>(kVersionBuild & 0xFF), 0, 0}},
        {kEncryptionOption, {static_cast<std::uint8_t>(encryption)}},
        {kInstanceOption, {0}},
        {kThreadIdOption, {}},
    };
    constexpr std::size_t kEntrySize = 5;
    std::size_t dataOffset = std::size(options) * kEntrySize + 1;

    ByteWriter table;
    ByteWriter data;
    for (const Option& option : options) {
        table.u8(option.token);
        table.u16be(static_cast<std::uint16_t>(dataOffset + data.size()));
        table.u16be(static_cast<std::uint16_t>(option.data.size()));
        data.raw(option.data);
    }
    table.u8(kTerminator);
    table.raw(data.bytes());
    return table.take();
}

}  // namespace devserver::tds

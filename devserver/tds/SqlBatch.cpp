#include "SqlBatch.h"

#include "ByteReader.h"
#include "ProtocolError.h"

namespace devserver::tds {

std::size_t requestDataOffset(std::span<const std::uint8_t> payload, TdsVersion version) {
    if (!hasWideFields(version)) {
        return 0;
    }
    ByteReader reader(payload);
    std::uint32_t totalLength = reader.u32le();
    if (totalLength < 4 || totalLength > payload.size()) {
        throw ProtocolError("ALL_HEADERS length outside the message");
    }
    return totalLength;
}

std::u16string decodeSqlBatch(std::span<const std::uint8_t> payload, TdsVersion version) {
    return decodeUtf16le(payload.subspan(requestDataOffset(payload, version)));
}

}  // namespace devserver::tds

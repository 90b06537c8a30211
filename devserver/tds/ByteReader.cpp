#include "ByteReader.h"

#include "ProtocolError.h"

namespace devserver::tds {

std::span<const std::uint8_t> ByteReader::take(std::size_t count) {
    if (count > remaining()) {
        throw ProtocolError("message ends inside a field");
    }
    auto part = data_.subspan(position_, count);
    position_ += count;
    return part;
}

void ByteReader::seek(std::size_t position) {
    if (position > data_.size()) {
        throw ProtocolError("offset points past the end of the message");
    }
    position_ = position;
}

std::uint8_t ByteReader::u8() {
    return take(1)[0];
}

std::uint16_t ByteReader::u16le() {
    auto b = take(2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint16_t ByteReader::u16be() {
    auto b = take(2);
    return static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}

std::uint32_t ByteReader::u32le() {
    auto b = take(4);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint64_t ByteReader::u64le() {
    std::uint64_t low = u32le();
    std::uint64_t high = u32le();
    return low | (high << 32);
}

std::u16string decodeUtf16le(std::span<const std::uint8_t> bytes) {
    if (bytes.size() % 2 != 0) {
        throw ProtocolError("UTF-16 text with an odd number of bytes");
    }
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return text;
}

}  // namespace devserver::tds

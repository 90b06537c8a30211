#include "ByteWriter.h"

#include <algorithm>

namespace devserver::tds {

void ByteWriter::u16le(std::uint16_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value));
    bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::u16be(std::uint16_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes_.push_back(static_cast<std::uint8_t>(value));
}

void ByteWriter::u32le(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void ByteWriter::u32be(std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void ByteWriter::u64le(std::uint64_t value) {
    for (int shift = 0; shift < 64; shift += 8) {
        bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void ByteWriter::raw(std::span<const std::uint8_t> data) {
    bytes_.insert(bytes_.end(), data.begin(), data.end());
}

void ByteWriter::utf16(std::u16string_view text) {
    for (char16_t unit : text) {
        u16le(static_cast<std::uint16_t>(unit));
    }
}

void ByteWriter::bVarchar(std::u16string_view text) {
    text = text.substr(0, std::min<std::size_t>(text.size(), 255));
    u8(static_cast<std::uint8_t>(text.size()));
    utf16(text);
}

void ByteWriter::usVarchar(std::u16string_view text) {
    text = text.substr(0, std::min<std::size_t>(text.size(), 65535));
    u16le(static_cast<std::uint16_t>(text.size()));
    utf16(text);
}

void ByteWriter::patchU16le(std::size_t position, std::uint16_t value) {
    bytes_.at(position) = static_cast<std::uint8_t>(value);
    bytes_.at(position + 1) = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace devserver::tds

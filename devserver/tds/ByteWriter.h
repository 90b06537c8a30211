#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace devserver::tds {

using Bytes = std::vector<std::uint8_t>;

// Appends TDS wire values: little-endian unless the name says BE, text as UTF-16LE.
class ByteWriter {
  public:
    void u8(std::uint8_t value) { bytes_.push_back(value); }
    void u16le(std::uint16_t value);
    void u16be(std::uint16_t value);
    void u32le(std::uint32_t value);
    void u32be(std::uint32_t value);
    void u64le(std::uint64_t value);
    void raw(std::span<const std::uint8_t> data);
    void utf16(std::u16string_view text);
    // B_VARCHAR: one-byte count of UTF-16 units; longer texts are cut to 255 units.
    void bVarchar(std::u16string_view text);
    // US_VARCHAR: two-byte count of UTF-16 units.
    void usVarchar(std::u16string_view text);

    // Fills in a two-byte length reserved earlier, once the bytes it counts are written.
    void patchU16le(std::size_t position, std::uint16_t value);

    std::size_t size() const { return bytes_.size(); }
    const Bytes& bytes() const { return bytes_; }
    Bytes take() { return std::move(bytes_); }

  private:
    Bytes bytes_;
};

}  // namespace devserver::tds

#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace devserver::tds {

// Reads TDS wire values from a client's message; running past the end is a ProtocolError,
// so a lying length field can never make the server read outside the message.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::uint8_t u8();
    std::uint16_t u16le();
    std::uint16_t u16be();
    std::uint32_t u32le();
    std::uint64_t u64le();
    std::span<const std::uint8_t> take(std::size_t count);
    void skip(std::size_t count) { take(count); }
    void seek(std::size_t position);

    std::size_t position() const { return position_; }
    std::size_t remaining() const { return data_.size() - position_; }

  private:
    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
};

// UTF-16LE bytes to text; an odd byte count is a ProtocolError.
std::u16string decodeUtf16le(std::span<const std::uint8_t> bytes);

}  // namespace devserver::tds

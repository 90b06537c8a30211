#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace devserver::tds {

// A connection's byte stream: the socket itself, or TLS running over it. The packet layer
// reads and writes through this, so it never knows whether the stream is encrypted.
class Transport {
  public:
    virtual ~Transport() = default;

    // Blocks until at least one byte arrived; 0 when the peer closed the stream.
    virtual std::size_t receiveSome(std::span<std::uint8_t> buffer) = 0;
    // Throws ConnectionClosed when the peer is gone.
    virtual void sendAll(std::span<const std::uint8_t> data) = 0;
};

// Fills the buffer; fewer bytes only when the peer closed the stream.
std::size_t receiveUpTo(Transport& transport, std::span<std::uint8_t> buffer);

}  // namespace devserver::tds

#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace devserver::tds {

// Blocking socket I/O that retries interrupted and partial calls.
// Returns the bytes read: fewer than asked only when the peer closed the connection.
std::size_t receiveUpTo(int socket, std::span<std::uint8_t> buffer);
// Throws ConnectionClosed when the peer is gone.
void sendAll(int socket, std::span<const std::uint8_t> data);

}  // namespace devserver::tds

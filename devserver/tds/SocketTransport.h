#pragma once

#include <chrono>
#include <optional>

#include "Transport.h"

namespace devserver::tds {

// Blocking I/O on a connected socket, retrying interrupted and partial calls. Until the
// login completes a deadline bounds every wait, so that a client that stalls before it has
// logged in cannot hold its thread and descriptor for ever.
class SocketTransport : public Transport {
  public:
    using Clock = std::chrono::steady_clock;

    explicit SocketTransport(int socket) : socket_(socket) {}

    // Past the deadline every call throws ProtocolError; nullopt waits without limit.
    void setDeadline(std::optional<Clock::time_point> deadline) { deadline_ = deadline; }

    std::size_t receiveSome(std::span<std::uint8_t> buffer) override;
    void sendAll(std::span<const std::uint8_t> data) override;

  private:
    // Waits until the socket is ready for `events` or the deadline passes.
    void awaitReady(short events) const;

    int socket_;
    std::optional<Clock::time_point> deadline_;
};

}  // namespace devserver::tds

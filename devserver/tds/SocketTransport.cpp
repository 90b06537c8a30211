#include "SocketTransport.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "ProtocolError.h"

namespace devserver::tds {

void SocketTransport::awaitReady(short events) const {
    if (!deadline_) {
        return;
    }
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline_ - Clock::now());
        if (left.count() <= 0) {
            throw ProtocolError("the client did not complete its login in time");
        }
        pollfd ready{socket_, events, 0};
        int n = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (n > 0) {
            return;  // readable, writable, or hung up: the call itself tells which
        }
        if (n < 0 && errno != EINTR) {
            return;
        }
    }
}

std::size_t SocketTransport::receiveSome(std::span<std::uint8_t> buffer) {
    if (buffer.empty()) {
        return 0;
    }
    for (;;) {
        awaitReady(POLLIN);
        ssize_t n = ::recv(socket_, buffer.data(), buffer.size(), 0);
        if (n >= 0) {
            return static_cast<std::size_t>(n);
        }
        if (errno != EINTR) {
            // A reset or a socket shut down under us (KILL) ends the conversation alike.
            return 0;
        }
    }
}

void SocketTransport::sendAll(std::span<const std::uint8_t> data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        awaitReady(POLLOUT);
        ssize_t n = ::send(socket_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            throw ConnectionClosed("the client is gone");
        }
    }
}

}  // namespace devserver::tds

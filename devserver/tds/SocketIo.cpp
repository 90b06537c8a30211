#include "SocketIo.h"

#include <sys/socket.h>

#include <cerrno>

#include "ProtocolError.h"

namespace devserver::tds {

std::size_t receiveUpTo(int socket, std::span<std::uint8_t> buffer) {
    std::size_t received = 0;
    while (received < buffer.size()) {
        ssize_t n = ::recv(socket, buffer.data() + received, buffer.size() - received, 0);
        if (n > 0) {
            received += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            // A reset or a socket shut down under us (KILL) ends the conversation alike.
            break;
        }
    }
    return received;
}

void sendAll(int socket, std::span<const std::uint8_t> data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = ::send(socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
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

#include "TdsRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <stdexcept>
#include <vector>

namespace {

int connectLoopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, static_cast<size_t>(size), MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        data += sent;
        size -= sent;
    }
    return true;
}

constexpr char kSqlBatch = 0x01;
constexpr char kRpc = 0x03;
constexpr char kLogin7 = 0x10;
constexpr char kTlsApplicationData = 0x17;

// What a chunk from the client is: a request, the login, or anything else (PRELOGIN, the
// TLS handshake, an attention).
enum class ClientChunk { Request, Login, Other };

ClientChunk classify(char first, bool loggedIn) {
    if (first == kSqlBatch || first == kRpc) {
        return ClientChunk::Request;
    }
    if (first == kLogin7) {
        return ClientChunk::Login;
    }
    if (first == kTlsApplicationData) {
        return loggedIn ? ClientChunk::Request : ClientChunk::Login;
    }
    return ClientChunk::Other;
}

}  // namespace

TdsRelay::TdsRelay(int serverPort, Hooks hooks) : hooks_(std::move(hooks)), serverPort_(serverPort) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listener_);
        throw std::runtime_error("the relay cannot listen");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

TdsRelay::~TdsRelay() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    ::close(listener_);
}

void TdsRelay::acceptLoop() {
    std::vector<std::thread> relays;
    while (!stopping_) {
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            break;
        }
        relays.emplace_back([this, client] { relay(client); });
    }
    for (std::thread& relay : relays) {
        relay.join();
    }
}

void TdsRelay::relay(int client) {
    const int server = connectLoopback(serverPort_);
    std::array<pollfd, 2> fds{pollfd{client, POLLIN, 0}, pollfd{server, POLLIN, 0}};
    std::array<char, 65536> buffer{};
    bool loggedIn = false;
    bool ended = server < 0;
    while (!ended && !stopping_) {
        if (::poll(fds.data(), fds.size(), 100) < 0 || hooks_.cutAll()) {
            break;
        }
        for (int side = 0; side < 2 && !ended; ++side) {
            if ((fds[side].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            const ssize_t got = ::recv(fds[side].fd, buffer.data(), buffer.size(), 0);
            if (got <= 0) {
                ended = true;
                break;
            }
            const bool fromClient = side == 0;
            bool isRequest = false;
            if (fromClient) {
                const ClientChunk chunk = classify(buffer[0], loggedIn);
                loggedIn = loggedIn || chunk == ClientChunk::Login;
                isRequest = chunk == ClientChunk::Request;
            }
            const std::string_view chunk(buffer.data(), static_cast<std::size_t>(got));
            ended = !hooks_.pass(chunk, fromClient, isRequest) ||
                    !sendAll(fds[1 - side].fd, buffer.data(), got);
        }
    }
    ::close(client);
    if (server >= 0) {
        ::close(server);
    }
}

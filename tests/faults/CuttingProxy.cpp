#include "CuttingProxy.h"

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
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t sent = send(fd, data, static_cast<size_t>(size), MSG_NOSIGNAL);
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

CuttingProxy::CuttingProxy(int serverPort) : serverPort_(serverPort) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("proxy cannot listen");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

CuttingProxy::~CuttingProxy() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    acceptor_.join();
}

void CuttingProxy::cutOnRequest(int nth) {
    cut_ = false;
    requestsToCut_ = nth;
}

void CuttingProxy::acceptLoop() {
    std::vector<std::thread> relays;
    while (!stopping_) {
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0) {
            break;
        }
        relays.emplace_back([this, client] { relay(client); });
    }
    for (std::thread& relay : relays) {
        relay.join();
    }
}

void CuttingProxy::relay(int client) {
    const int server = connectLoopback(serverPort_);
    std::array<pollfd, 2> fds{pollfd{client, POLLIN, 0}, pollfd{server, POLLIN, 0}};
    std::array<char, 65536> buffer{};
    bool loggedIn = false;
    while (server >= 0 && !stopping_) {
        if (poll(fds.data(), fds.size(), 100) < 0) {
            break;
        }
        if (cut_) {
            break;
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t got = recv(client, buffer.data(), buffer.size(), 0);
            if (got <= 0) {
                break;
            }
            const ClientChunk chunk = classify(buffer[0], loggedIn);
            loggedIn = loggedIn || chunk == ClientChunk::Login;
            if (chunk == ClientChunk::Request && requestsToCut_ > 0 && --requestsToCut_ == 0) {
                cut_ = true;
                break;
            }
            if (!sendAll(server, buffer.data(), got)) {
                break;
            }
        }
        if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t got = recv(server, buffer.data(), buffer.size(), 0);
            if (got <= 0 || !sendAll(client, buffer.data(), got)) {
                break;
            }
        }
    }
    close(client);
    if (server >= 0) {
        close(server);
    }
}

#include "RecordingRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

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

std::string utf16le(const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

}  // namespace

RecordingRelay::RecordingRelay(int serverPort) : serverPort_(serverPort) {
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

RecordingRelay::~RecordingRelay() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    ::close(listener_);
}

std::string RecordingRelay::fromClient() const {
    const std::lock_guard lock(mutex_);
    return fromClient_;
}

std::string RecordingRelay::recorded() const {
    std::lock_guard lock(mutex_);
    return fromClient_ + fromServer_;
}

bool RecordingRelay::sawBytes(std::span<const unsigned char> bytes) const {
    const std::string_view wanted(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::lock_guard lock(mutex_);
    return fromClient_.find(wanted) != std::string::npos ||
           fromServer_.find(wanted) != std::string::npos;
}

bool RecordingRelay::sawUtf16(const std::u16string& text) const {
    const std::string bytes = utf16le(text);
    return sawBytes(std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
}

bool RecordingRelay::sawLoginPassword(const std::u16string& password) const {
    std::string scrambled = utf16le(password);
    for (char& c : scrambled) {
        const auto byte = static_cast<unsigned char>(c);
        c = static_cast<char>(static_cast<unsigned char>((byte << 4) | (byte >> 4)) ^ 0xA5);
    }
    return sawBytes(
        std::span(reinterpret_cast<const unsigned char*>(scrambled.data()), scrambled.size()));
}

void RecordingRelay::record(const char* data, long size, bool fromClient) {
    std::lock_guard lock(mutex_);
    (fromClient ? fromClient_ : fromServer_).append(data, static_cast<std::size_t>(size));
}

void RecordingRelay::acceptLoop() {
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

void RecordingRelay::relay(int client) {
    const int server = connectLoopback(serverPort_);
    std::array<pollfd, 2> fds{pollfd{client, POLLIN, 0}, pollfd{server, POLLIN, 0}};
    std::array<char, 65536> buffer{};
    while (server >= 0 && !stopping_) {
        if (::poll(fds.data(), fds.size(), 100) < 0) {
            break;
        }
        bool ended = false;
        for (int side = 0; side < 2 && !ended; ++side) {
            if ((fds[side].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            const ssize_t got = ::recv(fds[side].fd, buffer.data(), buffer.size(), 0);
            if (got <= 0) {
                ended = true;
                break;
            }
            record(buffer.data(), got, side == 0);
            ended = !sendAll(fds[1 - side].fd, buffer.data(), got);
        }
        if (ended) {
            break;
        }
    }
    ::close(client);
    if (server >= 0) {
        ::close(server);
    }
}

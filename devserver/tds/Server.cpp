#include "Server.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

#include "ClientSession.h"

namespace devserver::tds {
namespace {

std::runtime_error socketError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

Server::Server(Instance& instance, BatchLog* log, Options options)
    : instance_(instance), log_(log), options_(std::move(options)) {
    instance_.setSessionTerminator([this](int spid) { connections_.terminateSession(spid); });
}

Server::~Server() {
    stop();
    instance_.setSessionTerminator({});
}

void Server::start() {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    std::string service = std::to_string(options_.port);
    if (int rc = ::getaddrinfo(options_.bindAddress.c_str(), service.c_str(), &hints, &found);
        rc != 0) {
        throw std::runtime_error("cannot bind to " + options_.bindAddress + ": " +
                                 ::gai_strerror(rc));
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> address(found, ::freeaddrinfo);

    listener_ = ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, 0);
    if (listener_ < 0) {
        throw socketError("cannot create the listening socket");
    }
    int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(listener_, address->ai_addr, address->ai_addrlen) != 0) {
        throw socketError("cannot bind to " + options_.bindAddress + " port " + service);
    }
    if (::listen(listener_, SOMAXCONN) != 0) {
        throw socketError("cannot listen");
    }
    sockaddr_storage bound{};
    socklen_t boundLength = sizeof bound;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &boundLength);
    port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                              : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

void Server::stop() {
    if (stopping_.exchange(true)) {
        return;
    }
    if (listener_ >= 0) {
        // Wakes the blocked accept() on Linux.
        ::shutdown(listener_, SHUT_RDWR);
    }
    if (acceptor_.joinable()) {
        acceptor_.join();
    }
    if (listener_ >= 0) {
        ::close(listener_);
        listener_ = -1;
    }
    connections_.terminateAll();
    std::lock_guard lock(workersMutex_);
    for (auto& worker : workers_) {
        worker->thread.join();
    }
    workers_.clear();
}

void Server::acceptLoop() {
    while (!stopping_) {
        int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (stopping_) {
                return;
            }
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // Out of descriptors: let some connections end before accepting more.
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            continue;
        }
        int on = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        reapFinishedWorkers();
        spawn(client);
    }
}

void Server::spawn(int socket) {
    ConnectionTable::Id id = connections_.add(socket);
    std::lock_guard lock(workersMutex_);
    auto worker = std::make_unique<Worker>();
    Worker* self = worker.get();
    try {
        worker->thread = std::thread([this, socket, id, self] {
            ClientSession(socket, id, connections_, instance_, log_, options_.session).run();
            self->finished = true;
        });
    } catch (const std::system_error&) {
        connections_.close(id);  // no thread to serve it: refuse the connection
        return;
    }
    workers_.push_back(std::move(worker));
}

void Server::reapFinishedWorkers() {
    std::lock_guard lock(workersMutex_);
    for (auto it = workers_.begin(); it != workers_.end();) {
        if ((*it)->finished) {
            (*it)->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace devserver::tds

#pragma once

#include <cstdint>
#include <map>
#include <mutex>

namespace devserver::tds {

// The open client sockets and the sessions they carry. All closing goes through here, under
// one lock, so that shutting a session's socket down (KILL, server stop) can never hit a
// descriptor number that has meanwhile been closed and reused by another connection.
class ConnectionTable {
  public:
    using Id = std::uint64_t;

    // Takes ownership of the socket.
    Id add(int socket);
    void attachSession(Id id, int spid);
    // Drops the session's connection without blocking; its thread then ends the session.
    void terminateSession(int spid);
    void terminateAll();
    // Closes the socket and forgets the connection.
    void close(Id id);

  private:
    struct Entry {
        int socket = -1;
        int spid = 0;
    };
    std::mutex mutex_;
    std::map<Id, Entry> entries_;
    Id nextId_ = 1;
};

}  // namespace devserver::tds

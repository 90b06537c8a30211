#include "ConnectionTable.h"

#include <sys/socket.h>
#include <unistd.h>

namespace devserver::tds {

ConnectionTable::Id ConnectionTable::add(int socket) {
    std::lock_guard lock(mutex_);
    Id id = nextId_++;
    entries_[id] = Entry{socket, 0};
    return id;
}

void ConnectionTable::attachSession(Id id, int spid) {
    std::lock_guard lock(mutex_);
    if (auto it = entries_.find(id); it != entries_.end()) {
        it->second.spid = spid;
    }
}

void ConnectionTable::terminateSession(int spid) {
    std::lock_guard lock(mutex_);
    for (auto& [id, entry] : entries_) {
        if (entry.spid == spid) {
            ::shutdown(entry.socket, SHUT_RDWR);
        }
    }
}

void ConnectionTable::terminateAll() {
    std::lock_guard lock(mutex_);
    for (auto& [id, entry] : entries_) {
        ::shutdown(entry.socket, SHUT_RDWR);
    }
}

void ConnectionTable::close(Id id) {
    std::lock_guard lock(mutex_);
    if (auto it = entries_.find(id); it != entries_.end()) {
        ::close(it->second.socket);
        entries_.erase(it);
    }
}

}  // namespace devserver::tds

#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

// A connection pool in miniature, as the applications that use a database run one: it keeps
// a number of sessions logged in to the database and, whenever the server ends one, logs in
// again within milliseconds, for as long as it lives. A login the server refuses (the
// database gone, in single-user mode, or being restored) is tried again at once.
namespace tdstest {

class ReconnectingClient {
  public:
    ReconnectingClient(int port, std::u16string user, std::u16string password,
                       std::u16string database, int sessions = 2);
    ~ReconnectingClient();  // stops, and closes its sessions
    ReconnectingClient(const ReconnectingClient&) = delete;
    ReconnectingClient& operator=(const ReconnectingClient&) = delete;

    // Waits, at most 10 s, until every session is logged in; false when they are not.
    bool waitUntilConnected() const;
    // How many times the server ended one of its sessions.
    int sessionsEnded() const { return ended_; }

  private:
    void keepOneSession();

    const int port_;
    const std::u16string user_;
    const std::u16string password_;
    const std::u16string database_;
    const int sessions_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connected_{0};
    std::atomic<int> ended_{0};
    std::vector<std::thread> threads_;  // last: they use everything above
};

}  // namespace tdstest

#pragma once

#include <atomic>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

// A loopback TCP relay between a client and the development server that keeps a copy of
// every byte it passes, in both directions, so that a test can look for what crossed the
// wire in clear.
class RecordingRelay {
  public:
    explicit RecordingRelay(int serverPort);
    ~RecordingRelay();
    RecordingRelay(const RecordingRelay&) = delete;
    RecordingRelay& operator=(const RecordingRelay&) = delete;

    int port() const { return port_; }

    // Everything relayed so far, client to server and server to client.
    std::string recorded() const;
    // What the clients sent, connection after connection.
    std::string fromClient() const;
    bool sawBytes(std::span<const unsigned char> bytes) const;
    // The text as UTF-16LE, the way TDS carries SQL, names and messages.
    bool sawUtf16(const std::u16string& text) const;
    // A password as LOGIN7 carries it: UTF-16LE, each byte's nibbles swapped, XOR 0xA5.
    bool sawLoginPassword(const std::u16string& password) const;

  private:
    void acceptLoop();
    void relay(int client);
    void record(const char* data, long size, bool fromClient);

    int listener_ = -1;
    int port_ = 0;
    int serverPort_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::string fromClient_;
    std::string fromServer_;
    std::thread acceptor_;
};

#pragma once

#include <mutex>
#include <span>
#include <string>

#include "TdsRelay.h"

// A loopback TCP relay between a client and the development server that keeps a copy of
// every byte it passes, in both directions, so that a test can look for what crossed the
// wire in clear.
class RecordingRelay {
  public:
    explicit RecordingRelay(int serverPort);
    ~RecordingRelay();
    RecordingRelay(const RecordingRelay&) = delete;
    RecordingRelay& operator=(const RecordingRelay&) = delete;

    int port() const { return relay_.port(); }

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
    void record(std::string_view chunk, bool fromClient);

    mutable std::mutex mutex_;
    std::string fromClient_;
    std::string fromServer_;
    TdsRelay relay_;
};

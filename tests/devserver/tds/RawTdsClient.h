#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A TDS client written from the protocol documentation, independent of the server's own
// encoder, so that tests can look at what goes over the wire and send what no real
// client would.
namespace tdstest {

using Bytes = std::vector<std::uint8_t>;

struct Packet {
    std::uint8_t type = 0;
    std::uint8_t status = 0;
    std::uint16_t length = 0;
    std::uint16_t spid = 0;
    Bytes body;
};

struct LoginFields {
    std::uint32_t tdsVersion = 0x74000004;
    std::uint32_t packetSize = 4096;
    std::u16string user = u"sa";
    std::u16string password;
    std::u16string database;
    bool integratedSecurity = false;
    Bytes sspi;  // the first GSS-API token of an integrated login
};

// LOGIN7 in the 7.2+ layout (94-byte fixed part) or, for 7.1, the 86-byte one.
Bytes buildLogin7(const LoginFields& fields);
Bytes buildPreLogin();
// ALL_HEADERS (on 7.2+) and the UTF-16LE text.
Bytes buildSqlBatch(std::u16string_view sql, bool withAllHeaders = true);

class RawTdsClient {
  public:
    // Connects to 127.0.0.1:port; every read gives up after `timeout`.
    explicit RawTdsClient(int port, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    ~RawTdsClient();
    RawTdsClient(const RawTdsClient&) = delete;
    RawTdsClient& operator=(const RawTdsClient&) = delete;

    void sendRaw(std::span<const std::uint8_t> bytes);
    // Frames a message into packets of at most packetSize bytes.
    void sendMessage(std::uint8_t type, std::span<const std::uint8_t> payload,
                     std::size_t packetSize = 4096, std::uint8_t lastStatus = 0x01);
    // Reads packets up to the one with EOM; throws std::runtime_error on time-out or EOF.
    std::vector<Packet> readMessagePackets();
    Bytes readMessage();
    // True when the server closes the connection (EOF or reset) within the time-out;
    // anything it still sends first is discarded.
    bool closedByServer();
    void shutdownSending();

    // PRELOGIN + LOGIN7; returns the first reply message's payload (for an integrated login
    // that may be an SSPI token alone, the exchange going on in SSPI messages).
    Bytes logIn(const LoginFields& fields);

  private:
    bool readExactly(std::uint8_t* buffer, std::size_t size);

    int socket_ = -1;
};

}  // namespace tdstest

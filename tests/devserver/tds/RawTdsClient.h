#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "TlsClient.h"

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
// VERSION and ENCRYPTION with the given setting (none: the option is left out); by
// default NOT_SUP, as a client without TLS says.
Bytes buildPreLogin(std::optional<std::uint8_t> encryption = 0x02);
// ALL_HEADERS (on 7.2+) and the UTF-16LE text.
Bytes buildSqlBatch(std::u16string_view sql, bool withAllHeaders = true);

// One parameter of a remote procedure call, as TYPE_INFO and value.
struct RpcParameter {
    enum class Type { NVarChar, VarChar, Int, BigInt, NText };
    std::u16string name;  // with its @, or empty
    Type type = Type::NVarChar;
    std::optional<std::u16string> text;  // NVarChar, VarChar (Latin-1 only), NText
    std::optional<std::int64_t> number;  // Int, BigInt; neither set: NULL
};
// ALL_HEADERS, then the procedure by name, or by number when `name` is empty, and its
// parameters.
Bytes buildRpc(std::u16string_view name, const std::vector<RpcParameter>& parameters,
               std::uint16_t procId = 0);

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

    // The TLS handshake inside PRELOGIN packets; from then on every message travels inside
    // TLS, until stopTls() (after a login that alone was to be encrypted).
    void startTls();
    void stopTls() { tls_.reset(); }
    TlsClient* tls() { return tls_.get(); }
    // Straight onto the socket, past TLS.
    void sendOnSocket(std::span<const std::uint8_t> bytes);

  private:
    bool readExactly(std::uint8_t* buffer, std::size_t size);
    // Some bytes from the socket; 0 at its end. Throws on time-out.
    std::size_t receiveSome(std::uint8_t* buffer, std::size_t size);

    int socket_ = -1;
    std::unique_ptr<TlsClient> tls_;
};

}  // namespace tdstest

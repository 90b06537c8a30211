#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "ByteWriter.h"
#include "Transport.h"

namespace devserver::tds {

enum class PacketType : std::uint8_t {
    SqlBatch = 0x01,
    Rpc = 0x03,
    Reply = 0x04,
    Attention = 0x06,
    BulkLoad = 0x07,
    TransactionManager = 0x0E,
    FederatedAuthToken = 0x0F,
    Login7 = 0x10,
    Sspi = 0x11,
    PreLogin = 0x12,
};

constexpr std::size_t kHeaderSize = 8;
constexpr std::uint8_t kStatusEndOfMessage = 0x01;
constexpr std::uint8_t kStatusIgnore = 0x02;

// What a client asks for, reassembled from its packets.
struct ClientMessage {
    PacketType type{};
    // The client abandoned the request (status bit 0x02): it wants no ordinary answer.
    bool ignored = false;
    Bytes payload;
};

// Reads whole client messages from the connection's stream.
class PacketReader {
  public:
    // A message larger than this is taken for an attack or a broken client.
    static constexpr std::size_t kMaxMessageSize = 16 * 1024 * 1024;

    explicit PacketReader(Transport& transport) : transport_(transport) {}

    // nullopt when the client closed the connection between messages. A connection that
    // ends inside a message is a ProtocolError; an attention arriving inside a message
    // abandons that message and is returned instead.
    std::optional<ClientMessage> next();

  private:
    Transport& transport_;
};

// Splits server replies into packets no larger than the negotiated size.
class PacketWriter {
  public:
    explicit PacketWriter(Transport& transport) : transport_(transport) {}

    void setPacketSize(std::size_t size) { packetSize_ = size; }
    void setSpid(std::uint16_t spid) { spid_ = spid; }

    // Sends one reply message; throws ConnectionClosed when the peer is gone.
    void send(std::span<const std::uint8_t> payload, PacketType type = PacketType::Reply);

  private:
    Transport& transport_;
    std::size_t packetSize_ = 4096;
    std::uint16_t spid_ = 0;
};

// Splits a message into framed packets (exposed for tests of the framing).
Bytes framePackets(std::span<const std::uint8_t> payload, PacketType type, std::size_t packetSize,
                   std::uint16_t spid);

}  // namespace devserver::tds

#include "Packet.h"

#include <algorithm>
#include <array>

#include "ProtocolError.h"

namespace devserver::tds {
namespace {

bool isKnownClientType(std::uint8_t type) {
    switch (static_cast<PacketType>(type)) {
        case PacketType::SqlBatch:
        case PacketType::Rpc:
        case PacketType::Attention:
        case PacketType::BulkLoad:
        case PacketType::TransactionManager:
        case PacketType::FederatedAuthToken:
        case PacketType::Login7:
        case PacketType::Sspi:
        case PacketType::PreLogin:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::optional<ClientMessage> PacketReader::next() {
    ClientMessage message;
    bool first = true;
    for (;;) {
        std::array<std::uint8_t, kHeaderSize> header{};
        std::size_t got = receiveUpTo(transport_, header);
        if (got == 0 && first) {
            return std::nullopt;
        }
        if (got < header.size()) {
            throw ProtocolError("connection ended inside a packet header");
        }
        std::uint8_t type = header[0];
        std::uint8_t status = header[1];
        std::size_t length = static_cast<std::size_t>((header[2] << 8) | header[3]);
        if (length < kHeaderSize) {
            throw ProtocolError("packet length shorter than its header");
        }
        if (!isKnownClientType(type)) {
            throw ProtocolError("unknown packet type");
        }
        if (!first && type != static_cast<std::uint8_t>(message.type)) {
            if (type != static_cast<std::uint8_t>(PacketType::Attention)) {
                throw ProtocolError("packet type changed inside a message");
            }
            // An attention cancels the half-sent request; only the attention is answered.
            message = ClientMessage{};
        }
        message.type = static_cast<PacketType>(type);
        std::size_t bodyLength = length - kHeaderSize;
        if (message.payload.size() + bodyLength > kMaxMessageSize) {
            throw ProtocolError("message too large");
        }
        std::size_t oldSize = message.payload.size();
        message.payload.resize(oldSize + bodyLength);
        if (receiveUpTo(transport_, std::span(message.payload).subspan(oldSize)) < bodyLength) {
            throw ProtocolError("connection ended inside a packet");
        }
        if ((status & kStatusIgnore) != 0) {
            message.ignored = true;
        }
        first = false;
        if ((status & kStatusEndOfMessage) != 0) {
            return message;
        }
    }
}

Bytes framePackets(std::span<const std::uint8_t> payload, PacketType type, std::size_t packetSize,
                   std::uint16_t spid) {
    const std::size_t chunkSize = packetSize - kHeaderSize;
    Bytes framed;
    framed.reserve(payload.size() + (payload.size() / chunkSize + 1) * kHeaderSize);
    std::size_t offset = 0;
    std::uint8_t packetId = 1;
    do {
        std::size_t chunk = std::min(chunkSize, payload.size() - offset);
        bool last = offset + chunk == payload.size();
        std::size_t length = chunk + kHeaderSize;
        framed.push_back(static_cast<std::uint8_t>(type));
        framed.push_back(last ? kStatusEndOfMessage : 0);
        framed.push_back(static_cast<std::uint8_t>(length >> 8));
        framed.push_back(static_cast<std::uint8_t>(length));
        framed.push_back(static_cast<std::uint8_t>(spid >> 8));
        framed.push_back(static_cast<std::uint8_t>(spid));
        framed.push_back(packetId++);
        framed.push_back(0);
        framed.insert(framed.end(), payload.begin() + static_cast<std::ptrdiff_t>(offset),
                      payload.begin() + static_cast<std::ptrdiff_t>(offset + chunk));
        offset += chunk;
    } while (offset < payload.size());
    return framed;
}

void PacketWriter::send(std::span<const std::uint8_t> payload, PacketType type) {
    // One send for the whole message keeps small replies in one segment and avoids
    // Nagle delays between the packets of a large one.
    transport_.sendAll(framePackets(payload, type, packetSize_, spid_));
}

}  // namespace devserver::tds

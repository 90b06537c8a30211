#include "RawTdsClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace tdstest {
namespace {

void put16le(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32le(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

void putText(Bytes& out, std::u16string_view text) {
    for (char16_t c : text) {
        put16le(out, static_cast<std::uint16_t>(c));
    }
}

}  // namespace

Bytes buildPreLogin(std::optional<std::uint8_t> encryption) {
    if (!encryption) {
        // VERSION, TERMINATOR, then the data.
        return {0x00, 0x00, 0x06, 0x00, 0x06, 0xFF, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00};
    }
    // VERSION, ENCRYPTION, TERMINATOR, then the data.
    Bytes out = {0x00, 0x00, 0x0B, 0x00, 0x06, 0x01, 0x00, 0x11, 0x00, 0x01, 0xFF};
    Bytes data = {0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, *encryption};
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes buildLogin7(const LoginFields& fields) {
    const bool wide = fields.tdsVersion >= 0x72000000;
    const std::size_t fixedSize = wide ? 94 : 86;
    std::u16string host = u"testhost";
    std::u16string app = u"raw-tds-test";
    std::u16string server = u"127.0.0.1";
    std::u16string library = u"raw";

    Bytes variable;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> refs;
    auto addText = [&](std::u16string_view text, bool scramble) {
        refs.emplace_back(static_cast<std::uint16_t>(fixedSize + variable.size()),
                          static_cast<std::uint16_t>(text.size()));
        Bytes encoded;
        putText(encoded, text);
        for (std::uint8_t b : encoded) {
            variable.push_back(scramble ? static_cast<std::uint8_t>(((b << 4) | (b >> 4)) ^ 0xA5)
                                        : b);
        }
    };
    addText(host, false);
    addText(fields.user, false);
    addText(fields.password, true);
    addText(app, false);
    addText(server, false);
    refs.emplace_back(0, 0);  // extension
    addText(library, false);
    addText(u"", false);  // language
    addText(fields.database, false);

    Bytes out;
    put32le(out, static_cast<std::uint32_t>(fixedSize + variable.size()));
    put32le(out, fields.tdsVersion);
    put32le(out, fields.packetSize);
    put32le(out, 7);      // client program version
    put32le(out, 4242);   // client pid
    put32le(out, 0);      // connection id
    out.push_back(0xE0);  // OptionFlags1
    out.push_back(static_cast<std::uint8_t>(0x03 | (fields.integratedSecurity ? 0x80 : 0)));
    out.push_back(0);  // TypeFlags
    out.push_back(0);  // OptionFlags3
    put32le(out, 0);   // time zone
    put32le(out, 0x0409);
    for (auto [offset, length] : refs) {
        put16le(out, offset);
        put16le(out, length);
    }
    for (int i = 0; i < 6; ++i) {
        out.push_back(0);  // ClientID
    }
    const bool longSspi = fields.sspi.size() >= 0xFFFF;
    put16le(out, static_cast<std::uint16_t>(fixedSize + variable.size()));  // SSPI
    put16le(out, longSspi ? 0xFFFF : static_cast<std::uint16_t>(fields.sspi.size()));
    put16le(out, static_cast<std::uint16_t>(fixedSize + variable.size()));  // AttachDBFile
    put16le(out, 0);
    if (wide) {
        put16le(out, static_cast<std::uint16_t>(fixedSize + variable.size()));  // ChangePassword
        put16le(out, 0);
        put32le(out, longSspi ? static_cast<std::uint32_t>(fields.sspi.size()) : 0);
    }
    if (out.size() != fixedSize) {
        throw std::logic_error("LOGIN7 fixed part has the wrong size");
    }
    out.insert(out.end(), variable.begin(), variable.end());
    out.insert(out.end(), fields.sspi.begin(), fields.sspi.end());
    const auto total = static_cast<std::uint32_t>(out.size());
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(total >> (8 * i));
    }
    return out;
}

namespace {

void putAllHeaders(Bytes& out) {
    put32le(out, 22);  // total length
    put32le(out, 18);  // header length
    put16le(out, 2);   // transaction descriptor
    for (int i = 0; i < 8; ++i) {
        out.push_back(0);
    }
    put32le(out, 1);  // outstanding requests
}

void putParameter(Bytes& out, const RpcParameter& parameter) {
    using Type = RpcParameter::Type;
    const std::uint8_t collation[] = {0x09, 0x04, 0xD0, 0x00, 0x34};
    out.push_back(static_cast<std::uint8_t>(parameter.name.size()));
    putText(out, parameter.name);
    out.push_back(0);  // status: input, given
    switch (parameter.type) {
        case Type::Int:
        case Type::BigInt: {
            std::uint8_t width = parameter.type == Type::Int ? 4 : 8;
            out.insert(out.end(), {0x26, width});
            if (!parameter.number) {
                out.push_back(0);
                return;
            }
            out.push_back(width);
            for (int i = 0; i < width; ++i) {
                out.push_back(static_cast<std::uint8_t>(
                    static_cast<std::uint64_t>(*parameter.number) >> (8 * i)));
            }
            return;
        }
        case Type::NVarChar:
        case Type::VarChar: {
            const bool wide = parameter.type == Type::NVarChar;
            out.push_back(wide ? 0xE7 : 0xA7);
            put16le(out, 8000);
            out.insert(out.end(), std::begin(collation), std::end(collation));
            if (!parameter.text) {
                put16le(out, 0xFFFF);
                return;
            }
            put16le(out, static_cast<std::uint16_t>(parameter.text->size() * (wide ? 2 : 1)));
            if (wide) {
                putText(out, *parameter.text);
            } else {
                for (char16_t c : *parameter.text) {
                    out.push_back(static_cast<std::uint8_t>(c));
                }
            }
            return;
        }
        case Type::NText:
            out.push_back(0x63);
            put32le(out, 0x7FFFFFFE);
            out.insert(out.end(), std::begin(collation), std::end(collation));
            if (!parameter.text) {
                put32le(out, 0xFFFFFFFF);
                return;
            }
            put32le(out, static_cast<std::uint32_t>(parameter.text->size() * 2));
            putText(out, *parameter.text);
            return;
    }
}

}  // namespace

Bytes buildSqlBatch(std::u16string_view sql, bool withAllHeaders) {
    Bytes out;
    if (withAllHeaders) {
        putAllHeaders(out);
    }
    putText(out, sql);
    return out;
}

Bytes buildRpc(std::u16string_view name, const std::vector<RpcParameter>& parameters,
               std::uint16_t procId) {
    Bytes out;
    putAllHeaders(out);
    if (name.empty()) {
        put16le(out, 0xFFFF);
        put16le(out, procId);
    } else {
        put16le(out, static_cast<std::uint16_t>(name.size()));
        putText(out, name);
    }
    put16le(out, 0);  // option flags
    for (const RpcParameter& parameter : parameters) {
        putParameter(out, parameter);
    }
    return out;
}

RawTdsClient::RawTdsClient(int port, std::chrono::milliseconds timeout) {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    int on = 1;
    ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket_);
        throw std::runtime_error("cannot connect to the devserver");
    }
}

RawTdsClient::~RawTdsClient() {
    ::close(socket_);
}

void RawTdsClient::sendRaw(std::span<const std::uint8_t> bytes) {
    if (tls_) {
        sendOnSocket(tls_->encrypt(bytes));
        return;
    }
    sendOnSocket(bytes);
}

void RawTdsClient::sendOnSocket(std::span<const std::uint8_t> bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(socket_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            throw std::runtime_error("send to the devserver failed");
        }
        sent += static_cast<std::size_t>(n);
    }
}

void RawTdsClient::sendMessage(std::uint8_t type, std::span<const std::uint8_t> payload,
                               std::size_t packetSize, std::uint8_t lastStatus) {
    std::size_t offset = 0;
    std::uint8_t id = 1;
    do {
        std::size_t chunk = std::min(packetSize - 8, payload.size() - offset);
        bool last = offset + chunk == payload.size();
        std::size_t length = chunk + 8;
        Bytes packet = {type,
                        static_cast<std::uint8_t>(last ? lastStatus : 0),
                        static_cast<std::uint8_t>(length >> 8),
                        static_cast<std::uint8_t>(length),
                        0,
                        0,
                        id++,
                        0};
        packet.insert(packet.end(), payload.begin() + static_cast<std::ptrdiff_t>(offset),
                      payload.begin() + static_cast<std::ptrdiff_t>(offset + chunk));
        sendRaw(packet);
        offset += chunk;
    } while (offset < payload.size());
}

std::size_t RawTdsClient::receiveSome(std::uint8_t* buffer, std::size_t size) {
    for (;;) {
        ssize_t n = ::recv(socket_, buffer, size, 0);
        if (n >= 0) {
            return static_cast<std::size_t>(n);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            throw std::runtime_error("timed out waiting for the devserver");
        }
        return 0;
    }
}

bool RawTdsClient::readExactly(std::uint8_t* buffer, std::size_t size) {
    std::size_t got = 0;
    std::uint8_t cipher[16384];
    while (got < size) {
        if (tls_) {
            std::size_t plain = tls_->readPlain(std::span(buffer + got, size - got));
            if (plain > 0) {
                got += plain;
                continue;
            }
            std::size_t n = receiveSome(cipher, sizeof cipher);
            if (n == 0) {
                return false;
            }
            tls_->feed(std::span(cipher, n));
            continue;
        }
        std::size_t n = receiveSome(buffer + got, size - got);
        if (n == 0) {
            return false;
        }
        got += n;
    }
    return true;
}

std::vector<Packet> RawTdsClient::readMessagePackets() {
    std::vector<Packet> packets;
    for (;;) {
        std::uint8_t header[8];
        if (!readExactly(header, sizeof header)) {
            throw std::runtime_error("the devserver closed the connection");
        }
        Packet packet;
        packet.type = header[0];
        packet.status = header[1];
        packet.length = static_cast<std::uint16_t>((header[2] << 8) | header[3]);
        packet.spid = static_cast<std::uint16_t>((header[4] << 8) | header[5]);
        if (packet.length < 8) {
            throw std::runtime_error("packet length below 8");
        }
        packet.body.resize(packet.length - 8u);
        if (!readExactly(packet.body.data(), packet.body.size())) {
            throw std::runtime_error("the devserver closed the connection inside a packet");
        }
        bool last = (packet.status & 0x01) != 0;
        packets.push_back(std::move(packet));
        if (last) {
            return packets;
        }
    }
}

Bytes RawTdsClient::readMessage() {
    Bytes payload;
    for (auto& packet : readMessagePackets()) {
        payload.insert(payload.end(), packet.body.begin(), packet.body.end());
    }
    return payload;
}

bool RawTdsClient::closedByServer() {
    std::uint8_t buffer[4096];
    for (;;) {
        ssize_t n = ::recv(socket_, buffer, sizeof buffer, 0);
        if (n == 0) {
            return true;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno == ECONNRESET || errno == EPIPE;
        }
    }
}

void RawTdsClient::shutdownSending() {
    ::shutdown(socket_, SHUT_WR);
}

void RawTdsClient::startTls() {
    auto tls = std::make_unique<TlsClient>();
    Bytes fromServer;
    while (!tls->continueHandshake(fromServer)) {
        sendMessage(0x12, tls->takeOutput());
        fromServer = readMessage();
    }
    Bytes last = tls->takeOutput();
    if (!last.empty()) {
        sendMessage(0x12, last);
    }
    tls_ = std::move(tls);
}

Bytes RawTdsClient::logIn(const LoginFields& fields) {
    sendMessage(0x12, buildPreLogin());
    readMessage();
    sendMessage(0x10, buildLogin7(fields));
    return readMessage();
}

}  // namespace tdstest

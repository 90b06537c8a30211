#include "HandshakeProbe.h"

#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <QList>
#include <array>
#include <memory>

#include "common/Error.h"
#include "common/OperatorTexts.h"

namespace handshake_probe {

namespace {

constexpr std::uint8_t kPreLoginPacket = 0x12;
constexpr std::uint8_t kEndOfMessage = 0x01;
constexpr int kHeaderSize = 8;
constexpr int kPacketSize = 4096;
constexpr std::uint8_t kEncryptionOption = 0x01;
constexpr std::uint8_t kTerminator = 0xFF;
constexpr std::uint8_t kEncryptNotSupported = 0x02;
constexpr int kSecondsPerStep = 5;
// SQL Server Browser: CLNT_UCAST_INST asks for one instance's endpoints.
constexpr int kBrowserPort = 1434;
constexpr char kBrowserInstanceRequest = 0x04;

// PRELOGIN with VERSION and ENCRYPTION=ON, as a client that requires encryption sends it.
const QByteArray kPreLogin = QByteArray::fromHex(
    "00000b0006"    // VERSION at 11, 6 bytes
    "0100110001"    // ENCRYPTION at 17, 1 byte
    "ff"            // end of options
    "0b0000000000"  // 11.0.0, sub-build 0
    "01");          // ENCRYPT_ON

class Socket {
  public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

[[noreturn]] void unanswered(const server_name::ServerName& server) {
    throw Error(texts::kProbeUnanswered.arg(server.typed));
}

int connectTo(const server_name::ServerName& server, int port, int type) {
    addrinfo hints{};
    hints.ai_socktype = type;
    addrinfo* found = nullptr;
    if (::getaddrinfo(server.host.toUtf8().constData(), QByteArray::number(port).constData(),
                      &hints, &found) != 0) {
        unanswered(server);
    }
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, ::freeaddrinfo);
    for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
        const int fd = ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (fd < 0) {
            continue;
        }
        // Bounds connect as well as every read and write.
        const timeval limit{kSecondsPerStep, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
        if (::connect(fd, address->ai_addr, address->ai_addrlen) == 0) {
            return fd;
        }
        ::close(fd);
    }
    unanswered(server);
}

// The instance's TCP port, from the SQL Server Browser on the host.
int instancePort(const server_name::ServerName& server) {
    const Socket udp(connectTo(server, kBrowserPort, SOCK_DGRAM));
    const QByteArray request = kBrowserInstanceRequest + server.instance.toLatin1();
    std::array<char, 4096> reply{};
    if (::send(udp.get(), request.constData(), request.size(), 0) < 0) {
        unanswered(server);
    }
    const ssize_t got = ::recv(udp.get(), reply.data(), reply.size(), 0);
    const QList<QByteArray> fields = QByteArray(reply.data(), got > 3 ? got : 0).mid(3).split(';');
    const qsizetype tcp = fields.indexOf("tcp");
    if (tcp < 0 || tcp + 1 >= fields.size()) {
        unanswered(server);
    }
    return fields[tcp + 1].toInt();
}

void sendMessage(int fd, const QByteArray& payload, const server_name::ServerName& server) {
    qsizetype sent = 0;
    std::uint8_t packetId = 1;
    do {
        const QByteArray piece = payload.mid(sent, kPacketSize - kHeaderSize);
        sent += piece.size();
        const int length = kHeaderSize + static_cast<int>(piece.size());
        QByteArray packet(kHeaderSize, '\0');
        packet[0] = static_cast<char>(kPreLoginPacket);
        packet[1] = static_cast<char>(sent >= payload.size() ? kEndOfMessage : 0);
        packet[2] = static_cast<char>(length >> 8);
        packet[3] = static_cast<char>(length & 0xFF);
        packet[6] = static_cast<char>(packetId++);
        packet += piece;
        if (::send(fd, packet.constData(), packet.size(), MSG_NOSIGNAL) != packet.size()) {
            unanswered(server);
        }
    } while (sent < payload.size());
}

QByteArray receiveExactly(int fd, int count, const server_name::ServerName& server) {
    QByteArray bytes(count, '\0');
    for (int got = 0; got < count;) {
        const ssize_t n = ::recv(fd, bytes.data() + got, count - got, 0);
        if (n <= 0) {
            unanswered(server);
        }
        got += static_cast<int>(n);
    }
    return bytes;
}

QByteArray receiveMessage(int fd, const server_name::ServerName& server) {
    QByteArray payload;
    for (;;) {
        const QByteArray header = receiveExactly(fd, kHeaderSize, server);
        const int length =
            (static_cast<std::uint8_t>(header[2]) << 8) | static_cast<std::uint8_t>(header[3]);
        if (length < kHeaderSize) {
            unanswered(server);
        }
        payload += receiveExactly(fd, length - kHeaderSize, server);
        if ((header[1] & kEndOfMessage) != 0) {
            return payload;
        }
    }
}

bool offersEncryption(const QByteArray& reply, const server_name::ServerName& server) {
    for (qsizetype at = 0; at + 5 <= reply.size(); at += 5) {
        const auto option = static_cast<std::uint8_t>(reply[at]);
        if (option == kTerminator) {
            break;
        }
        const int offset = (static_cast<std::uint8_t>(reply[at + 1]) << 8) |
                           static_cast<std::uint8_t>(reply[at + 2]);
        if (option == kEncryptionOption && offset < reply.size()) {
            return static_cast<std::uint8_t>(reply[offset]) != kEncryptNotSupported;
        }
    }
    unanswered(server);
}

QByteArray pending(BIO* bio) {
    QByteArray bytes(static_cast<qsizetype>(BIO_ctrl_pending(bio)), '\0');
    BIO_read(bio, bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
}

// The handshake only as far as the server's certificates: nothing is checked here, since
// the checks are what the caller wants to tell apart.
std::vector<QByteArray> serverChain(int fd, const server_name::ServerName& server) {
    const std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(
        SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    const std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(context.get()), SSL_free);
    BIO* incoming = BIO_new(BIO_s_mem());
    BIO* outgoing = BIO_new(BIO_s_mem());
    SSL_set_bio(ssl.get(), incoming, outgoing);
    SSL_set_verify(ssl.get(), SSL_VERIFY_NONE, nullptr);
    SSL_set_tlsext_host_name(ssl.get(), server.host.toUtf8().constData());
    for (;;) {
        const int rc = SSL_connect(ssl.get());
        const STACK_OF(X509)* chain = SSL_get_peer_cert_chain(ssl.get());
        if (chain != nullptr && sk_X509_num(chain) > 0) {
            std::vector<QByteArray> der;
            for (int i = 0; i < sk_X509_num(chain); ++i) {
                X509* certificate = sk_X509_value(chain, i);
                unsigned char* bytes = nullptr;
                const int length = i2d_X509(certificate, &bytes);
                der.emplace_back(reinterpret_cast<const char*>(bytes), length);
                OPENSSL_free(bytes);
            }
            return der;
        }
        if (rc == 1 || SSL_get_error(ssl.get(), rc) != SSL_ERROR_WANT_READ) {
            ERR_clear_error();
            unanswered(server);
        }
        if (BIO_ctrl_pending(outgoing) > 0) {
            sendMessage(fd, pending(outgoing), server);
        }
        const QByteArray reply = receiveMessage(fd, server);
        BIO_write(incoming, reply.constData(), static_cast<int>(reply.size()));
    }
}

}  // namespace

Findings probe(const server_name::ServerName& server) {
    const int port = server.port                 ? *server.port
                     : server.instance.isEmpty() ? 1433
                                                 : instancePort(server);
    const Socket tcp(connectTo(server, port, SOCK_STREAM));
    sendMessage(tcp.get(), kPreLogin, server);
    Findings findings;
    findings.encrypts = offersEncryption(receiveMessage(tcp.get(), server), server);
    if (findings.encrypts) {
        findings.chain = serverChain(tcp.get(), server);
    }
    return findings;
}

}  // namespace handshake_probe

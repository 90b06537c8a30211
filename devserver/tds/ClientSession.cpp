#include "ClientSession.h"

#include <poll.h>

#include <exception>
#include <iostream>

#include "BatchLog.h"
#include "Login7.h"
#include "LoginReply.h"
#include "PreLogin.h"
#include "ProtocolError.h"
#include "ReplyEncoder.h"
#include "SqlBatch.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/Text.h"

namespace devserver::tds {
namespace {

std::u16string requestKind(PacketType type) {
    const char* name = "this request type";
    switch (type) {
        case PacketType::Rpc:
            name = "remote procedure calls (RPC)";
            break;
        case PacketType::BulkLoad:
            name = "bulk loads";
            break;
        case PacketType::TransactionManager:
            name = "transaction manager requests";
            break;
        default:
            break;
    }
    return text::fromUtf8(name);
}

}  // namespace

ClientSession::ClientSession(int socket, ConnectionTable::Id id, ConnectionTable& connections,
                             Instance& instance, BatchLog* log)
    : socket_(socket),
      id_(id),
      connections_(connections),
      instance_(instance),
      log_(log),
      reader_(socket),
      writer_(socket) {}

void ClientSession::run() noexcept {
    try {
        if (logIn()) {
            serveRequests();
        }
    } catch (const ConnectionClosed&) {
    } catch (const ProtocolError& e) {
        std::cerr << "devserver: closing a connection: " << e.what() << '\n';
    } catch (const std::exception& e) {
        std::cerr << "devserver: closing a connection after an internal error: " << e.what()
                  << '\n';
    }
    connections_.close(id_);
    if (spid_ != 0) {
        try {
            instance_.logout(spid_);
        } catch (const std::exception& e) {
            std::cerr << "devserver: ending session " << spid_ << ": " << e.what() << '\n';
        }
    }
}

bool ClientSession::logIn() {
    auto message = reader_.next();
    if (!message) {
        return false;
    }
    if (message->type == PacketType::PreLogin) {
        validatePreLogin(message->payload);
        writer_.send(preLoginReply());
        message = reader_.next();
        if (!message) {
            return false;
        }
    }
    if (message->type != PacketType::Login7) {
        throw ProtocolError("expected LOGIN7");
    }
    Login7 login = parseLogin7(message->payload);
    version_ = negotiateVersion(login.tdsVersion);
    std::uint32_t packetSize = negotiatePacketSize(login.packetSize);
    writer_.setPacketSize(packetSize);

    LoginResult result = instance_.login(
        LoginRequest{login.userName, login.password, login.database, login.integratedSecurity,
                     login.hostName, login.appName, login.clientProcessId});
    if (!result.accepted) {
        writer_.send(encodeLoginRefused(result.error, version_));
        return false;
    }
    spid_ = result.spid;
    connections_.attachSession(id_, spid_);
    writer_.setSpid(static_cast<std::uint16_t>(spid_));
    writer_.send(encodeLoginAccepted(result.database, packetSize, version_));
    return true;
}

void ClientSession::serveRequests() {
    while (auto request = reader_.next()) {
        switch (request->type) {
            case PacketType::Attention:
                writer_.send(encodeAttentionAck(version_));
                continue;
            case PacketType::PreLogin:
            case PacketType::Login7:
                throw ProtocolError("login request on a logged-in connection");
            default:
                break;
        }
        if (request->ignored) {
            writer_.send(encodeIgnoredAck(version_));
        } else if (request->type == PacketType::SqlBatch) {
            if (!answerBatch(*request)) {
                return;
            }
        } else {
            writer_.send(
                encodeErrorReply(messages::requestNotServed(requestKind(request->type)), version_));
        }
    }
}

bool ClientSession::clientGone() const {
    pollfd socket{socket_, POLLRDHUP, 0};
    return ::poll(&socket, 1, 0) > 0 &&
           (socket.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

bool ClientSession::answerBatch(const ClientMessage& request) {
    std::u16string sql = decodeSqlBatch(request.payload, version_);
    if (log_ != nullptr) {
        log_->record(spid_, sql);
    }
    Bytes reply;
    try {
        reply = encodeReply(instance_.executeBatch(spid_, sql, [this] { return clientGone(); }),
                            version_);
    } catch (const std::exception& e) {
        // A fault behind the protocol must not cost the client its connection.
        reply = encodeErrorReply(messages::batchFailed(text::fromUtf8(e.what())), version_);
    }
    writer_.send(reply);
    return !instance_.sessionEnded(spid_);
}

}  // namespace devserver::tds

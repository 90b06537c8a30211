#include "ClientSession.h"

#include <poll.h>

#include <exception>
#include <iostream>

#include "BatchLog.h"
#include "GssAcceptor.h"
#include "Login7.h"
#include "LoginReply.h"
#include "PreLogin.h"
#include "ProtocolError.h"
#include "ReplyEncoder.h"
#include "RpcRequest.h"
#include "SqlBatch.h"
#include "devserver/engine/Messages.h"
#include "devserver/engine/Text.h"

namespace devserver::tds {
namespace {

std::u16string requestKind(PacketType type) {
    const char* name = "this request type";
    switch (type) {
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
                             Instance& instance, BatchLog* log, const SessionSettings& settings)
    : socket_(socket),
      id_(id),
      connections_(connections),
      instance_(instance),
      log_(log),
      settings_(settings),
      channel_(socket),
      reader_(channel_),
      writer_(channel_) {}

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
    channel_.socket().setDeadline(SocketTransport::Clock::now() + settings_.loginTimeout);
    auto message = reader_.next();
    if (!message) {
        return false;
    }
    // A client that skips PRELOGIN cannot encrypt; only a server that forces encryption
    // minds.
    Protection protection =
        negotiateEncryption(settings_.encryption, EncryptionSetting::NotSupported).protection;
    if (message->type == PacketType::PreLogin) {
        protection = answerPreLogin(*message);
        message = reader_.next();
        if (!message) {
            return false;
        }
    }
    if (protection != Protection::None) {
        if (message->type == PacketType::Login7) {
            refuseClearLogin(*message);
            return false;
        }
        acceptTls(std::move(*message));
        message = reader_.next();
        if (!message) {
            return false;
        }
    }
    if (message->type != PacketType::Login7) {
        throw ProtocolError(message->type == PacketType::PreLogin
                                ? "a TLS handshake, but no encryption was agreed"
                                : "expected LOGIN7");
    }
    if (!admit(*message, protection)) {
        return false;
    }
    channel_.socket().setDeadline(std::nullopt);
    return true;
}

Protection ClientSession::answerPreLogin(const ClientMessage& preLogin) {
    PreLoginRequest request = parsePreLogin(preLogin.payload);
    EncryptionAgreement agreement = negotiateEncryption(settings_.encryption, request.encryption);
    writer_.send(preLoginReply(agreement.answer));
    return agreement.protection;
}

void ClientSession::acceptTls(ClientMessage first) {
    if (first.type != PacketType::PreLogin || settings_.tls == nullptr) {
        throw ProtocolError("expected the TLS handshake");
    }
    auto tls = std::make_unique<TlsSession>(*settings_.tls, channel_.socket());
    ClientMessage message = std::move(first);
    for (;;) {
        TlsSession::HandshakeStep step = tls->continueHandshake(message.payload);
        if (!step.reply.empty()) {
            writer_.send(step.reply, PacketType::PreLogin);
        }
        if (!step.failure.empty()) {
            throw ProtocolError(step.failure);
        }
        if (step.finished) {
            break;
        }
        auto next = reader_.next();
        if (!next) {
            throw ConnectionClosed("the client left during the TLS handshake");
        }
        if (next->type != PacketType::PreLogin) {
            throw ProtocolError("the TLS handshake was interrupted by another message");
        }
        message = std::move(*next);
    }
    channel_.encryptWith(std::move(tls));
}

void ClientSession::refuseClearLogin(const ClientMessage& login) {
    version_ = negotiateVersion(parseLogin7(login.payload).tdsVersion);
    writer_.send(encodeLoginRefused(messages::encryptionRequired(), version_));
}

bool ClientSession::admit(const ClientMessage& loginMessage, Protection protection) {
    Login7 login = parseLogin7(loginMessage.payload);
    if (protection == Protection::LoginOnly) {
        // The client answers in clear from here on; so does the server.
        channel_.stopEncrypting();
    }
    version_ = negotiateVersion(login.tdsVersion);
    std::uint32_t packetSize = negotiatePacketSize(login.packetSize);
    writer_.setPacketSize(packetSize);

    LoginRequest request;
    request.user = login.userName;
    request.password = login.password;
    request.database = login.database;
    request.hostName = login.hostName;
    request.programName = login.appName;
    request.hostProcessId = login.clientProcessId;
    Bytes lastSspiToken;
    if (login.integratedSecurity) {
        std::optional<Authenticated> windowsUser = authenticateIntegrated(login);
        if (!windowsUser) {
            return false;
        }
        request.user = windowsUser->loginName;
        request.password.clear();
        request.integratedSecurity = true;
        lastSspiToken = std::move(windowsUser->lastToken);
    }

    LoginResult result = instance_.login(request);
    if (!result.accepted) {
        writer_.send(encodeLoginRefused(result.error, version_));
        return false;
    }
    spid_ = result.spid;
    login_ = result.login;
    connections_.attachSession(id_, spid_);
    writer_.setSpid(static_cast<std::uint16_t>(spid_));
    writer_.send(encodeLoginAccepted(lastSspiToken, result.database, packetSize, version_));
    return true;
}

std::optional<Authenticated> ClientSession::authenticateIntegrated(const Login7& login) {
    if (!settings_.integratedLogin) {
        writer_.send(encodeLoginRefused(messages::untrustedDomain(), version_));
        return std::nullopt;
    }
    try {
        return authenticate(*settings_.integratedLogin, login.sspi, reader_, writer_, version_);
    } catch (const GssRefusal& e) {
        // SQL Server tells the client no more than this; the reason goes to the server's log.
        std::cerr << "devserver: integrated login refused: " << e.what() << '\n';
        writer_.send(encodeLoginRefused(messages::untrustedDomain(), version_));
        return std::nullopt;
    }
}

void ClientSession::serveRequests() {
    while (auto request = reader_.next()) {
        switch (request->type) {
            case PacketType::Attention:
                // It came after the reply it meant to cut short; the client waits for the
                // acknowledgement all the same.
                acknowledgeAttention();
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
        } else if (request->type == PacketType::Rpc) {
            if (!answerRpc(*request)) {
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

bool ClientSession::cancelled() {
    if (attention_) {
        return true;
    }
    pollfd socket{socket_, POLLIN, 0};
    if (::poll(&socket, 1, 0) <= 0 || (socket.revents & POLLIN) == 0) {
        return false;
    }
    // While a request runs, the client may send nothing but an attention.
    auto message = reader_.next();
    if (!message) {
        return false;  // gone: clientGone() tells
    }
    if (message->type != PacketType::Attention) {
        throw ProtocolError("a request while another one runs");
    }
    attention_ = true;
    return true;
}

bool ClientSession::stopWanted() {
    return clientGone() || cancelled();
}

void ClientSession::acknowledgeAttention() {
    if (log_ != nullptr) {
        log_->recordAttention(spid_, login_);
    }
    writer_.send(encodeAttentionAck(version_));
    attention_ = false;
}

bool ClientSession::answerBatch(const ClientMessage& request) {
    std::u16string sql = decodeSqlBatch(request.payload, version_);
    if (log_ != nullptr) {
        log_->record(spid_, login_, sql);
    }
    Bytes reply;
    try {
        reply = encodeReply(instance_.executeBatch(spid_, sql, [this] { return stopWanted(); }),
                            version_);
    } catch (const ProtocolError&) {
        throw;
    } catch (const std::exception& e) {
        // A fault behind the protocol must not cost the client its connection.
        reply = encodeErrorReply(messages::batchFailed(text::fromUtf8(e.what())), version_);
    }
    if (attention_) {
        acknowledgeAttention();
    } else {
        writer_.send(reply);
    }
    return !instance_.sessionEnded(spid_);
}

bool ClientSession::answerRpc(const ClientMessage& request) {
    std::vector<ProcedureCall> calls;
    try {
        calls = decodeRpcRequest(request.payload, version_);
    } catch (const UnmodelledParameter& e) {
        writer_.send(encodeErrorReply(messages::parameterTypeNotModelled(e.typeName()), version_));
        return true;
    }
    std::vector<ProcedureReply> replies;
    for (const ProcedureCall& call : calls) {
        if (log_ != nullptr) {
            log_->recordCall(spid_, login_, call);
        }
        replies.push_back(instance_.callProcedure(spid_, call, [this] { return stopWanted(); }));
        if (attention_) {
            acknowledgeAttention();
            return !instance_.sessionEnded(spid_);
        }
    }
    Bytes reply;
    try {
        reply = encodeProcedureReplies(replies, version_);
    } catch (const std::exception& e) {
        reply = encodeErrorReply(messages::callFailed(text::fromUtf8(e.what())), version_);
    }
    writer_.send(reply);
    return !instance_.sessionEnded(spid_);
}

}  // namespace devserver::tds

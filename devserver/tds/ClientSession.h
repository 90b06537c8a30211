#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ClientChannel.h"
#include "ConnectionTable.h"
#include "IntegratedLogin.h"
#include "Login7.h"
#include "Packet.h"
#include "SessionSettings.h"
#include "TdsVersion.h"
#include "devserver/engine/Instance.h"

namespace devserver::tds {

class BatchLog;

// One client connection from PRELOGIN to disconnect: the encryption agreement and the TLS
// handshake, the login, then a request loop that hands SQL batches and remote procedure
// calls to the instance. Runs on the connection's own thread.
class ClientSession {
  public:
    ClientSession(int socket, ConnectionTable::Id id, ConnectionTable& connections,
                  Instance& instance, BatchLog* log, const SessionSettings& settings);

    // Serves the connection until it ends, then ends the session and closes the socket.
    // Never throws: whatever one client does stays with that client.
    void run() noexcept;

  private:
    bool logIn();
    Protection answerPreLogin(const ClientMessage& preLogin);
    // The TLS handshake inside PRELOGIN packets, starting with `first`; afterwards the
    // channel is encrypted.
    void acceptTls(ClientMessage first);
    void refuseClearLogin(const ClientMessage& login);
    bool admit(const ClientMessage& loginMessage, Protection protection);
    // The Windows login an integrated logon authenticated as, and the server's last GSS-API
    // token; nullopt once the client has been refused (18452).
    std::optional<Authenticated> authenticateIntegrated(const Login7& login);

    void serveRequests();
    // False when the session was killed during the batch or call: its connection ends.
    bool answerBatch(const ClientMessage& request);
    bool answerRpc(const ClientMessage& request);
    bool clientGone() const;
    // True once the client has cancelled the request under way (an attention arrived while
    // it ran): the request stops, and its reply is the acknowledgement alone.
    bool cancelled();
    // What a running request checks between its steps.
    bool stopWanted();
    void acknowledgeAttention();

    int socket_;
    ConnectionTable::Id id_;
    ConnectionTable& connections_;
    Instance& instance_;
    BatchLog* log_;
    const SessionSettings& settings_;
    ClientChannel channel_;
    PacketReader reader_;
    PacketWriter writer_;
    TdsVersion version_ = TdsVersion::V7_4;
    int spid_ = 0;
    std::u16string login_;
    bool attention_ = false;
};

}  // namespace devserver::tds

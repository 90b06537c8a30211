#pragma once

#include <cstdint>

#include "ConnectionTable.h"
#include "Packet.h"
#include "TdsVersion.h"
#include "devserver/engine/Instance.h"

namespace devserver::tds {

class BatchLog;

// One client connection from PRELOGIN to disconnect: the login handshake, then a request
// loop that hands SQL batches to the instance. Runs on the connection's own thread.
class ClientSession {
  public:
    ClientSession(int socket, ConnectionTable::Id id, ConnectionTable& connections,
                  Instance& instance, BatchLog* log);

    // Serves the connection until it ends, then ends the session and closes the socket.
    // Never throws: whatever one client does stays with that client.
    void run() noexcept;

  private:
    bool logIn();
    void serveRequests();
    // False when the session was killed during the batch: its connection ends.
    bool answerBatch(const ClientMessage& request);
    bool clientGone() const;

    int socket_;
    ConnectionTable::Id id_;
    ConnectionTable& connections_;
    Instance& instance_;
    BatchLog* log_;
    PacketReader reader_;
    PacketWriter writer_;
    TdsVersion version_ = TdsVersion::V7_4;
    int spid_ = 0;
};

}  // namespace devserver::tds

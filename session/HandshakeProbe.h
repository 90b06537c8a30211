#pragma once

#include <QByteArray>
#include <vector>

#include "ServerName.h"

// Asks a server, without logging in, what it offers: the PRELOGIN exchange, then the TLS
// handshake inside TDS packets as the driver makes it, and then the tool hangs up. The
// driver says no more of a refused handshake than that the connection failed; this is how
// the tool learns why.
namespace handshake_probe {

struct Findings {
    bool encrypts = false;          // PRELOGIN offered encryption
    std::vector<QByteArray> chain;  // DER, the server's own certificate first
};

// Raises Error when the server cannot be reached or does not answer as a SQL Server does.
Findings probe(const server_name::ServerName& server);

}  // namespace handshake_probe

#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "ServerName.h"

// What the tool trusts a server's certificate by: the system's CA bundle, or a certificate
// the operator pinned for that server. A pin is exactly one server certificate, never an
// authority's, and is never combined with the bundle.
namespace server_trust {

// /etc/ssl/certs/ca-certificates.crt, or the file SSL_CERT_FILE names (as for OpenSSL).
QString caBundle();

// $XDG_DATA_HOME/dbtool/server-certificates (~/.local/share/…), 0700.
QString pinFolder();
// <pin folder>/<server key, percent-encoded>.pem
QString pinPath(const server_name::ServerName& server);

// The pinned certificate (PEM), when the operator pinned one for this server.
std::optional<QByteArray> pinned(const server_name::ServerName& server);
// Stores `pem` as the server's pin: 0600 in the 0700 folder, replacing any earlier one.
void pin(const server_name::ServerName& server, const QByteArray& pem);
// Removes the server's pin: it is then checked against the bundle again.
void unpin(const server_name::ServerName& server);

// The tool's own section for the server, naming its pin or the bundle, written to the
// tool's FreeTDS file; returns the section's name for SERVERNAME.
QString writeSection(const server_name::ServerName& server);

// The section name for a server, "dbtool:<key>".
QString sectionName(const server_name::ServerName& server);

}  // namespace server_trust

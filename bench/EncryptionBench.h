#pragma once

#include <QString>

#include "Report.h"
#include "ToolWindow.h"

// What encryption costs on the tool's paths: the same plain ODBC client once with the
// connection string the tool builds (full encryption) and once with the same string with
// encryption turned off, against one server that offers TLS, alternating. The "tool"
// column is the encrypted connection, the "baseline" column the clear one.
namespace bench {

// SQLDriverConnectW and SQLDisconnect: the TLS handshake is the difference.
TimedComparison compareConnectEncryption(const ServerLogin& login, int runs);

// The texts of a detach (eviction batch, detach statement, list query) over each
// connection; each detaches a database of its own, attached again outside the timed part.
TimedComparison compareDetachEncryption(const ServerLogin& login, const QString& encryptedVictim,
                                        const QString& clearVictim, int runs);

}  // namespace bench

#pragma once

#include <sql.h>

#include <QString>
#include <vector>

// The access layer asks the FreeTDS driver for full encryption. A server that offers none
// is refused by the driver before the login is sent, and so is one whose TLS handshake
// fails, a certificate that a configured CA file does not vouch for included; the driver
// reports all of these alike and says no more than that the connection failed.
namespace encryption_refusal {

struct DiagnosticRecord {
    QString sqlState;
    int nativeError = 0;
};

// FreeTDS's report of that refusal: SQLSTATE 08001 ("Unable to connect to data source")
// and its "Adaptive Server connection failed" (native 20002), with no message from the
// server and none of the driver's other causes (unreachable host, end of stream, login
// refused: each brings a record of its own).
bool isEncryptionRefusal(const std::vector<DiagnosticRecord>& records);

// The diagnostic records of a failed SQLDriverConnect.
std::vector<DiagnosticRecord> diagnosticRecords(SQLSMALLINT handleType, SQLHANDLE handle);

}  // namespace encryption_refusal

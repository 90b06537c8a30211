#pragma once

#include <vector>

#include "Report.h"

// What checking the server's certificate costs a connect: the same plain ODBC client with
// the connection string the tool builds, its section naming the CA bundle or a pin, against
// the string the tool built before it checked anything (SERVER=host,port, encryption but no
// CA file), alternating, each against one server.
namespace bench {

// "Connect: system bundle vs unchecked" against a server whose certificate an authority of
// the bundle signed; "Connect: pin vs unchecked" against a server with its own certificate,
// pinned.
std::vector<TimedComparison> compareConnectTrust(int runs);

// Makes SSL_CERT_FILE the system's bundle with the tests' authority added, so that the
// bundle's cost is the real one; before any thread, after prepareToolTestEnvironment().
void useSystemBundleWithTestAuthority();

}  // namespace bench

#pragma once

// For test programs that open the tool's real connections; called first thing in main(),
// before any thread, as the tool's own main() adopts its FreeTDS file:
// - the tool's state and data (its FreeTDS file, its pins) go to a temporary folder, not
//   the home folder, and are removed at exit;
// - the system's CA bundle is replaced (SSL_CERT_FILE) by an authority of the tests' own,
//   which signs a certificate for 127.0.0.1 and localhost that DevServerProcess hands every
//   server it starts, unless the test asks for the server's own certificate.
void prepareToolTestEnvironment();

#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Certificates for tests of the tool's trust: an authority of the tests' own, and server
// certificates it signs or that sign themselves. Files are PEM; keys have no passphrase.
namespace test_certificates {

struct Issued {
    std::filesystem::path certificate;
    std::filesystem::path key;
};

// A new authority (CA:TRUE) in `folder`: authority.pem and authority-key.pem.
Issued makeAuthority(const std::filesystem::path& folder);

// A server certificate for `names` ("127.0.0.1", "localhost": IP addresses and host names)
// signed by `authority`, written as <stem>.pem and <stem>-key.pem in `folder`.
// Valid from `startHours` from now (by default an hour ago) for `lifetimeHours`.
Issued issue(const Issued& authority, const std::vector<std::string>& names,
             const std::filesystem::path& folder, const std::string& stem, int startHours = -1,
             int lifetimeHours = 7 * 24);

}  // namespace test_certificates

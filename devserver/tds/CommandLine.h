#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Encryption.h"
#include "IntegratedLogin.h"

namespace devserver::tds {

struct DriveMapping {
    char letter = 'D';  // upper case
    std::filesystem::path folder;
};

struct CommandLine {
    std::uint16_t port = 1433;
    std::filesystem::path dataDir;
    std::string saPassword;  // UTF-8
    std::optional<std::filesystem::path> logFile;
    std::string bindAddress = "127.0.0.1";
    int seedDatabases = 0;
    EncryptionMode encryption = EncryptionMode::Optional;
    std::optional<std::filesystem::path> tlsCertificate;
    std::optional<std::filesystem::path> tlsKey;
    bool newCertificateEachStart = false;
    std::chrono::seconds loginTimeout{60};
    double ioRateMegabytesPerSecond = 0;      // 0: unlimited
    std::vector<DriveMapping> windowsDrives;  // none: the host is Linux
    int majorVersion = 16;
    // The release that backups record; none: majorVersion.
    std::optional<int> backupMajorVersion;
    std::optional<std::pair<std::string, std::string>> restrictedLogin;  // name, password
    std::optional<std::string> collation;                                // UTF-8
    std::optional<std::filesystem::path> keytab;
    std::vector<std::string> windowsLogins;  // UTF-8
    LoginNameForm loginNameForm = LoginNameForm::Windows;
    bool helpRequested = false;
};

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name; throws UsageError.
CommandLine parseCommandLine(std::span<const char* const> arguments);

extern const char* const kUsage;

}  // namespace devserver::tds

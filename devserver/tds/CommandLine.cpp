#include "CommandLine.h"

#include <array>
#include <charconv>
#include <string_view>

namespace devserver::tds {

const char* const kUsage =
    "usage: devserver --data DIR [--port P] [--sa-password PW] [--log FILE]\n"
    "                 [--bind ADDRESS] [--seed-databases N] [--io-rate MB_PER_S]\n"
    "                 [--encryption off|optional|force] [--tls-cert FILE --tls-key FILE]\n"
    "                 [--new-certificate-each-start]\n"
    "                 [--login-timeout S]\n"
    "                 [--windows-drive D=DIR]... [--server-version YEAR] [--backup-version YEAR]\n"
    "                 [--restricted-login NAME=PASSWORD] [--collation NAME]\n"
    "                 [--keytab FILE [--windows-login NAME]... [--login-name-form FORM]]\n"
    "  --data DIR          folder holding the instance's state (created when missing)\n"
    "  --port P            TCP port, 0 for any free one (default 1433)\n"
    "  --sa-password PW    password of the login sa (default empty)\n"
    "  --log FILE          append every SQL batch and procedure call received as a JSON line\n"
    "  --bind ADDRESS      address to listen on (default 127.0.0.1)\n"
    "  --seed-databases N  make sure N user databases exist before listening\n"
    "  --io-rate MB_PER_S  BACKUP, RESTORE and DBCC SHRINKDATABASE take the time their\n"
    "                      bytes take at this rate (default: unlimited, no waiting)\n"
    "  --encryption MODE   off: no TLS; optional (default): TLS as the client asks, at least\n"
    "                      for the login; force: every connection wholly inside TLS\n"
    "  --tls-cert FILE     the server's certificate (PEM); with --tls-key. Without them the\n"
    "  --tls-key FILE      server makes its own in DIR on first start, self-signed and named\n"
    "                      CN=SSL_Self_Signed_Fallback as SQL Server's own is\n"
    "  --new-certificate-each-start  make the server's own certificate anew at every start,\n"
    "                      as SQL Server does when no certificate is installed\n"
    "  --login-timeout S   close a connection that has not logged in after S seconds\n"
    "                      (default 60)\n"
    "  --windows-drive D=DIR  pose as a Windows host whose drive D: is the folder DIR;\n"
    "                      repeatable; --data must lie on one of the drives\n"
    "  --server-version YEAR  the SQL Server release to answer as: 2012, 2014, 2016,\n"
    "                      2017, 2019 or 2022 (default); before 2017 the host views are missing\n"
    "  --backup-version YEAR  backups written record that release instead, as if taken\n"
    "                      on another server; a newer one than --server-version is refused\n"
    "                      by RESTORE DATABASE with 3169\n"
    "  --restricted-login NAME=PASSWORD  an operator login like a member of dbcreator: it\n"
    "                      may create, alter, back up, restore, attach, detach and drop\n"
    "                      databases, but sees only its own session, may not KILL, and may\n"
    "                      not run extended procedures, so it cannot list files\n"
    "  --collation NAME    the instance's collation (default SQL_Latin1_General_CP1_CI_AS);\n"
    "                      under a case-sensitive or binary one, e.g. Chinese_PRC_BIN, names\n"
    "                      of the catalogue resolve only in lower case\n"
    "  --keytab FILE       accept Windows (Kerberos) logins with the service keys in FILE,\n"
    "                      e.g. those of MSSQLSvc/<host>:<port>; read at every such login\n"
    "  --windows-login NAME  a Windows login the instance admits, e.g. EXAMPLE.ORG\\alice\n"
    "                      (repeatable); other principals get error 18456\n"
    "  --login-name-form FORM  how principal alice@EXAMPLE.ORG is named as a login:\n"
    "                      windows (EXAMPLE.ORG\\alice, the default) or kerberos\n"
    "                      (alice@EXAMPLE.ORG)\n";

namespace {

long parseNumber(std::string_view option, std::string_view text, long low, long high) {
    long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        throw UsageError(std::string(option) + " needs a number from " + std::to_string(low) +
                         " to " + std::to_string(high) + ", not '" + std::string(text) + "'");
    }
    return value;
}

EncryptionMode parseEncryption(std::string_view text) {
    if (text == "off") {
        return EncryptionMode::Off;
    }
    if (text == "optional") {
        return EncryptionMode::Optional;
    }
    if (text == "force") {
        return EncryptionMode::Force;
    }
    throw UsageError("--encryption takes off, optional or force, not '" + std::string(text) + "'");
}

std::pair<std::string, std::string> splitAtEquals(std::string_view option, std::string_view value,
                                                  const char* shape) {
    const std::size_t equals = value.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        throw UsageError(std::string(option) + " needs " + shape + ", not '" + std::string(value) +
                         "'");
    }
    return {std::string(value.substr(0, equals)), std::string(value.substr(equals + 1))};
}

DriveMapping parseDrive(std::string_view option, std::string_view value) {
    auto [letter, folder] = splitAtEquals(option, value, "D=DIR");
    const char first = letter.empty() ? '\0' : letter[0];
    const bool isLetter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
    if (letter.size() != 1 || !isLetter || folder.empty()) {
        throw UsageError(std::string(option) + " needs a drive letter and a folder, as D=DIR");
    }
    return {static_cast<char>(first & ~0x20), std::filesystem::path(folder)};
}

int parseRelease(std::string_view option, std::string_view value) {
    constexpr std::array<std::pair<std::string_view, int>, 6> kReleases{
        {{"2012", 11}, {"2014", 12}, {"2016", 13}, {"2017", 14}, {"2019", 15}, {"2022", 16}}};
    for (const auto& [year, major] : kReleases) {
        if (value == year) {
            return major;
        }
    }
    throw UsageError(std::string(option) + " needs one of 2012, 2014, 2016, 2017, 2019, 2022");
}

double parseRate(std::string_view option, std::string_view text) {
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value > 0) || value > 1e9) {
        throw UsageError(std::string(option) + " needs a rate above 0 in MB per second, not '" +
                         std::string(text) + "'");
    }
    return value;
}

LoginNameForm parseLoginNameForm(std::string_view option, std::string_view text) {
    if (text == "windows") {
        return LoginNameForm::Windows;
    }
    if (text == "kerberos") {
        return LoginNameForm::Kerberos;
    }
    throw UsageError(std::string(option) + " is windows or kerberos, not '" + std::string(text) +
                     "'");
}

}  // namespace

CommandLine parseCommandLine(std::span<const char* const> arguments) {
    CommandLine line;
    bool hasData = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view option = arguments[i];
        if (option == "--help" || option == "-h") {
            line.helpRequested = true;
            return line;
        }
        if (option == "--new-certificate-each-start") {
            line.newCertificateEachStart = true;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            throw UsageError(option.starts_with("--")
                                 ? std::string(option) + " needs a value"
                                 : "unexpected argument " + std::string(option));
        }
        std::string_view value = arguments[++i];
        if (option == "--port") {
            line.port = static_cast<std::uint16_t>(parseNumber(option, value, 0, 65535));
        } else if (option == "--data") {
            line.dataDir = std::filesystem::path(value);
            hasData = !value.empty();
        } else if (option == "--sa-password") {
            line.saPassword = value;
        } else if (option == "--log") {
            line.logFile = std::filesystem::path(value);
        } else if (option == "--bind") {
            line.bindAddress = value;
        } else if (option == "--io-rate") {
            line.ioRateMegabytesPerSecond = parseRate(option, value);
        } else if (option == "--seed-databases") {
            line.seedDatabases = static_cast<int>(parseNumber(option, value, 0, 32767));
        } else if (option == "--encryption") {
            line.encryption = parseEncryption(value);
        } else if (option == "--tls-cert") {
            line.tlsCertificate = std::filesystem::path(value);
        } else if (option == "--tls-key") {
            line.tlsKey = std::filesystem::path(value);
        } else if (option == "--login-timeout") {
            line.loginTimeout = std::chrono::seconds(parseNumber(option, value, 1, 86400));
        } else if (option == "--windows-drive") {
            DriveMapping drive = parseDrive(option, value);
            for (const DriveMapping& known : line.windowsDrives) {
                if (known.letter == drive.letter) {
                    throw UsageError("drive " + std::string(1, drive.letter) + ": is mapped twice");
                }
            }
            line.windowsDrives.push_back(std::move(drive));
        } else if (option == "--server-version") {
            line.majorVersion = parseRelease(option, value);
        } else if (option == "--backup-version") {
            line.backupMajorVersion = parseRelease(option, value);
        } else if (option == "--restricted-login") {
            line.restrictedLogin = splitAtEquals(option, value, "NAME=PASSWORD");
        } else if (option == "--collation") {
            line.collation = value;
        } else if (option == "--keytab") {
            line.keytab = std::filesystem::path(value);
        } else if (option == "--windows-login") {
            line.windowsLogins.emplace_back(value);
        } else if (option == "--login-name-form") {
            line.loginNameForm = parseLoginNameForm(option, value);
        } else {
            throw UsageError("unknown option " + std::string(option));
        }
    }
    if (!hasData) {
        throw UsageError("--data DIR is required");
    }
    if (line.tlsCertificate.has_value() != line.tlsKey.has_value()) {
        throw UsageError("--tls-cert and --tls-key go together");
    }
    if (!line.keytab && !line.windowsLogins.empty()) {
        throw UsageError(
            "--windows-login needs --keytab: without keys no Windows login is accepted");
    }
    return line;
}

}  // namespace devserver::tds

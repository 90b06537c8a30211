#include "CommandLine.h"

#include <charconv>
#include <string_view>

namespace devserver::tds {

const char* const kUsage =
    "usage: devserver --data DIR [--port P] [--sa-password PW] [--log FILE]\n"
    "                 [--bind ADDRESS] [--seed-databases N] [--io-rate MB_PER_S]\n"
    "                 [--keytab FILE [--windows-login NAME]... [--login-name-form FORM]]\n"
    "  --data DIR          folder holding the instance's state (created when missing)\n"
    "  --port P            TCP port, 0 for any free one (default 1433)\n"
    "  --sa-password PW    password of the login sa (default empty)\n"
    "  --log FILE          append every SQL batch received as a JSON line\n"
    "  --bind ADDRESS      address to listen on (default 127.0.0.1)\n"
    "  --seed-databases N  make sure N user databases exist before listening\n"
    "  --io-rate MB_PER_S  BACKUP, RESTORE and DBCC SHRINKDATABASE take the time their\n"
    "                      bytes take at this rate (default: unlimited, no waiting)\n"
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
    if (!line.keytab && !line.windowsLogins.empty()) {
        throw UsageError(
            "--windows-login needs --keytab: without keys no Windows login is accepted");
    }
    return line;
}

}  // namespace devserver::tds

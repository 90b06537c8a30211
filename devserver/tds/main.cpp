// devserver: a TDS server on loopback that models one SQL Server instance for tests and demos.

#include <pthread.h>
#include <signal.h>

#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <span>

#include "BatchLog.h"
#include "CommandLine.h"
#include "Server.h"
#include "TlsContext.h"
#include "devserver/engine/Instance.h"
#include "devserver/engine/Text.h"

namespace {

// SIGTERM and SIGINT are taken synchronously by the main thread (sigwait), so the stop runs
// as ordinary code rather than inside a signal handler. Blocked before any thread starts so
// that every thread inherits the mask.
sigset_t blockStopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    return signals;
}

// The certificate the server presents: the one given, or its own in the data folder.
std::unique_ptr<devserver::tds::TlsContext> tlsContext(const devserver::tds::CommandLine& options) {
    using namespace devserver::tds;
    if (options.encryption == EncryptionMode::Off) {
        return nullptr;
    }
    if (options.tlsCertificate) {
        return std::make_unique<TlsContext>(
            CertificateFiles{*options.tlsCertificate, *options.tlsKey});
    }
    return std::make_unique<TlsContext>(
        ownCertificate(options.dataDir, options.newCertificateEachStart));
}

devserver::Instance::Options instanceOptions(const devserver::tds::CommandLine& line) {
    using namespace devserver;
    constexpr double kBytesPerMegabyte = 1024.0 * 1024.0;
    Instance::Options options{line.dataDir, text::fromUtf8(line.saPassword),
                              line.ioRateMegabytesPerSecond * kBytesPerMegabyte};
    for (const tds::DriveMapping& drive : line.windowsDrives) {
        std::filesystem::create_directories(drive.folder);
        options.platform.windowsDrives.push_back(
            {static_cast<char16_t>(drive.letter), drive.folder});
    }
    options.platform.majorVersion = line.majorVersion;
    options.platform.backupMajorVersion = line.backupMajorVersion;
    if (line.collation) {
        const auto collation = Collation::named(text::fromUtf8(*line.collation));
        if (!collation) {
            throw std::runtime_error("--collation: no such collation '" + *line.collation + "'");
        }
        options.platform.collation = *collation;
    }
    if (line.restrictedLogin) {
        options.restrictedLogin =
            Instance::RestrictedLogin{text::fromUtf8(line.restrictedLogin->first),
                                      text::fromUtf8(line.restrictedLogin->second)};
    }
    for (const std::string& login : line.windowsLogins) {
        options.windowsLogins.push_back(text::fromUtf8(login));
    }
    return options;
}

devserver::tds::SessionSettings sessionSettings(const devserver::tds::CommandLine& line,
                                                const devserver::tds::TlsContext* tls) {
    using namespace devserver::tds;
    SessionSettings settings{line.encryption, tls, line.loginTimeout};
    if (line.keytab) {
        // Tokens once accepted are remembered with the instance, so a replay is refused even
        // after a restart.
        settings.integratedLogin = IntegratedLoginOptions{
            *line.keytab, line.dataDir / "kerberos-replay.rcache2", line.loginNameForm};
    }
    return settings;
}

int serve(const devserver::tds::CommandLine& options) {
    using namespace devserver;
    sigset_t stopSignals = blockStopSignals();

    std::filesystem::create_directories(options.dataDir);
    std::unique_ptr<tds::TlsContext> tls = tlsContext(options);
    std::unique_ptr<tds::BatchLog> log;
    if (options.logFile) {
        log = std::make_unique<tds::BatchLog>(*options.logFile);
    }
    Instance instance(instanceOptions(options));
    if (options.seedDatabases > 0) {
        instance.seedDatabases(options.seedDatabases);
    }

    tds::Server server(instance, log.get(),
                       {options.bindAddress, options.port, sessionSettings(options, tls.get())});
    server.start();
    const std::string& host = server.host();
    bool ipv6 = host.find(':') != std::string::npos;
    std::cout << "ready " << (ipv6 ? "[" + host + "]" : host) << ':' << server.port() << std::endl;

    int received = 0;
    sigwait(&stopSignals, &received);
    server.stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace devserver::tds;
    std::optional<CommandLine> options;
    try {
        options = parseCommandLine(std::span<const char* const>(argv + 1, argc - 1));
    } catch (const UsageError& e) {
        std::cerr << "devserver: " << e.what() << '\n' << kUsage;
        return 2;
    }
    if (options->helpRequested) {
        std::cout << kUsage;
        return 0;
    }
    try {
        return serve(*options);
    } catch (const std::exception& e) {
        std::cerr << "devserver: " << e.what() << '\n';
        return 1;
    }
}

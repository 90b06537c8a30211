#include "TrustBench.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "DevServerProcess.h"
#include "Measure.h"
#include "PlainOdbc.h"
#include "session/ConnectionString.h"
#include "session/OdbcConnectionString.h"
#include "session/ServerTrust.h"

namespace bench {

namespace {

const char* const kSystemBundle = "/etc/ssl/certs/ca-certificates.crt";

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The tool's ODBC string for sa on this server, its section written as an open writes it,
// and the string as it was before any check: the server by address, no section.
struct Strings {
    std::u16string checked;
    std::u16string unchecked;
};

Strings stringsFor(const DevServerProcess& server) {
    using namespace connection_string;
    const QString dataSource = QStringLiteral("127.0.0.1,%1").arg(server.port());
    const OdbcRequest request =
        translate(compose(LoginStyle::SqlServer, QStringLiteral("sa"),
                          QString::fromStdString(server.saPassword()), dataSource));
    const QString section = server_trust::writeSection(*request.ownSection);
    QString unchecked = request.odbc;
    unchecked.replace(QStringLiteral("SERVERNAME={") + section + u'}',
                      QStringLiteral("SERVER={") + dataSource + u'}');
    return {request.odbc.toStdU16String(), unchecked.toStdU16String()};
}

TimedComparison alternate(const std::string& title, const Strings& strings, int runs) {
    TimedComparison result{title, {}, {}, 1.10};
    const auto connectOnce = [](const std::u16string& connection) {
        return timed([&] { PlainOdbc client(connection); });
    };
    connectOnce(strings.checked);
    connectOnce(strings.unchecked);
    for (int run = 0; run < runs; ++run) {
        if (run % 2 == 0) {
            result.toolSeconds.push_back(connectOnce(strings.checked));
            result.baselineSeconds.push_back(connectOnce(strings.unchecked));
        } else {
            result.baselineSeconds.push_back(connectOnce(strings.unchecked));
            result.toolSeconds.push_back(connectOnce(strings.checked));
        }
    }
    return result;
}

}  // namespace

void useSystemBundleWithTestAuthority() {
    const char* authority = std::getenv("SSL_CERT_FILE");
    if (authority == nullptr || !std::filesystem::exists(kSystemBundle)) {
        return;
    }
    const std::filesystem::path bundle =
        std::filesystem::path(authority).parent_path() / "system-bundle-and-authority.pem";
    std::ofstream(bundle, std::ios::binary) << fileText(kSystemBundle) << fileText(authority);
    ::setenv("SSL_CERT_FILE", bundle.c_str(), 1);
}

std::vector<TimedComparison> compareConnectTrust(int runs) {
    const DevServerProcess signedByAuthority(DevServerProcess::Options{"Bench-Pw1"});
    const DevServerProcess ownCertificate(
        DevServerProcess::Options{.saPassword = "Bench-Pw1", .ownCertificate = true});
    const auto pinned =
        server_name::parse(QStringLiteral("127.0.0.1,%1").arg(ownCertificate.port()));
    server_trust::pin(pinned, QByteArray::fromStdString(
                                  fileText(ownCertificate.dataDir() / "tls-certificate.pem")));
    return {alternate("Connect: system bundle vs unchecked", stringsFor(signedByAuthority), runs),
            alternate("Connect: pin vs unchecked", stringsFor(ownCertificate), runs)};
}

}  // namespace bench

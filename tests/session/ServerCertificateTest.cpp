#include <gtest/gtest.h>

#include <QFile>
#include <cstdlib>
#include <filesystem>

#include "TestCertificates.h"
#include "session/ServerCertificate.h"

namespace {

QByteArray derOf(const std::filesystem::path& pem) {
    QFile file(QString::fromStdString(pem.string()));
    file.open(QIODevice::ReadOnly);
    QByteArray body;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.startsWith("-----")) {
            body += line;
        }
    }
    return QByteArray::fromBase64(body);
}

// Each of the driver's checks told apart on its own, as a refusal must name its cause:
// the issuer, the name, the validity; an authority's own certificate is known as one.
TEST(ServerCertificate, TheChecksAreToldApart) {
    const std::filesystem::path folder =
        std::filesystem::path(std::getenv("SSL_CERT_FILE")).parent_path();
    const test_certificates::Issued authority{folder / "authority.pem",
                                              folder / "authority-key.pem"};
    const QString bundle = QString::fromStdString(authority.certificate.string());
    const auto verdictOf = [&](const test_certificates::Issued& issued, const QString& host) {
        return server_certificate::verify({derOf(issued.certificate)}, bundle, host);
    };
    const auto flags = [](server_certificate::Verdict v) {
        return std::tuple(v.trusted, v.nameMatches, v.inValidity);
    };

    const auto good =
        test_certificates::issue(authority, {"db.example", "10.0.0.5"}, folder, "good");
    EXPECT_EQ(flags(verdictOf(good, "db.example")), std::tuple(true, true, true));
    EXPECT_EQ(flags(verdictOf(good, "10.0.0.5")), std::tuple(true, true, true));
    EXPECT_EQ(flags(verdictOf(good, "other.example")), std::tuple(true, false, true));
    const auto expired =
        test_certificates::issue(authority, {"db.example"}, folder, "old", -48, 24);
    EXPECT_EQ(flags(verdictOf(expired, "db.example")), std::tuple(true, true, false));
    const auto early = test_certificates::issue(authority, {"db.example"}, folder, "early", 24, 24);
    EXPECT_EQ(flags(verdictOf(early, "db.example")), std::tuple(true, true, false));
    std::filesystem::create_directories(folder / "stranger");
    const auto stranger = test_certificates::makeAuthority(folder / "stranger");
    const auto foreign = test_certificates::issue(stranger, {"db.example"}, folder, "foreign");
    EXPECT_EQ(flags(verdictOf(foreign, "db.example")), std::tuple(false, true, true));

    const ServerCertificate described = server_certificate::fromDer(derOf(good.certificate));
    EXPECT_EQ(described.subject, "CN=db.example");
    EXPECT_EQ(described.alternativeNames, (QStringList{"DNS:db.example", "IP:10.0.0.5"}));
    EXPECT_FALSE(described.isAuthority);
    EXPECT_TRUE(server_certificate::fromDer(derOf(authority.certificate)).isAuthority);
}

}  // namespace

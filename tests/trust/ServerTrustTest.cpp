// Who is at the other end: the window against development servers with a certificate from
// an authority the system trusts (here the tests' own), with their own certificate as an
// SQL Server without one has, and with that certificate changed under a pin.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <cstdlib>
#include <deque>
#include <filesystem>

#include "RecordingRelay.h"
#include "TestCertificates.h"
#include "app/FMain.h"
#include "common/OperatorTexts.h"
#include "session/CertificateRefusal.h"
#include "session/OdbcConnection.h"
#include "session/ServerTrust.h"
#include "support/DevServerProcess.h"
#include "support/QtPrinters.h"

namespace {

const QString kConnected = QStringLiteral("数据库连接成功");

// The certificate dialog answered from a script; every refusal it was shown is kept.
struct TrustPrompts : Prompts {
    std::deque<bool> answers;
    std::vector<UntrustedCertificate>* shown;
    explicit TrustPrompts(std::vector<UntrustedCertificate>* shown) : shown(shown) {}
    QString askTypedConfirmation(const QString&, const QString&) override { return {}; }
    ChosenFile chooseFile(const QString&, FileDialogMode) override { return {}; }
    bool confirmCertificate(const UntrustedCertificate& refusal) override {
        shown->push_back(refusal);
        const bool answer = !answers.empty() && answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return answer;
    }
};

// Whether a client sent a login through the relay: LOGIN7 in clear, or any TLS record of
// application data (after the handshake TDS runs inside TLS, the login first).
bool loginCrossed(const std::string& fromClient) {
    constexpr unsigned char kPreLogin = 0x12, kLogin7 = 0x10, kTlsApplicationData = 0x17;
    std::size_t at = 0;
    while (at + 5 <= fromClient.size()) {
        const auto type = static_cast<unsigned char>(fromClient[at]);
        if (type == kLogin7 || type == kTlsApplicationData) {
            return true;
        }
        const auto high = static_cast<unsigned char>(fromClient[at + (type == kPreLogin ? 2 : 3)]);
        const auto low = static_cast<unsigned char>(fromClient[at + (type == kPreLogin ? 3 : 4)]);
        // A TDS packet's length counts its header; a TLS record's does not.
        at += (high << 8 | low) + (type == kPreLogin ? 0 : 5);
    }
    return false;
}

struct ServerTrust : ::testing::Test {
    std::vector<UntrustedCertificate> shown;
    TrustPrompts* prompts = new TrustPrompts(&shown);
    FMain window{makeOdbcConnection, std::unique_ptr<Prompts>(prompts)};

    template <typename W>
    W* control(const char* name) {
        return window.findChild<W*>(QString::fromLatin1(name));
    }
    void connectTo(const QString& server, std::deque<bool> answers = {}) {
        prompts->answers = std::move(answers);
        shown.clear();
        if (control<QPushButton>("C_UnLink")->isEnabled()) {
            control<QPushButton>("C_UnLink")->click();
        }
        control<QComboBox>("C_LoginStyle")->setCurrentIndex(1);
        control<QLineEdit>("T_Pwd")->setText("");
        control<QLineEdit>("T_Ip")->setText(server);
        control<QPushButton>("C_Link")->click();
    }
};

TEST_F(ServerTrust, ACertificateFromATrustedAuthorityConnectsWithNoQuestion) {
    DevServerProcess server;
    connectTo(QStringLiteral("127.0.0.1,%1").arg(server.port()));
    EXPECT_EQ(window.statusText(), kConnected);
    EXPECT_TRUE(shown.empty());
    connectTo(QStringLiteral("localhost,%1").arg(server.port()));
    EXPECT_EQ(window.statusText(), kConnected);
    EXPECT_TRUE(shown.empty());

    // Pinned once to another certificate, the server now has one the bundle vouches for:
    // refused as changed all the same, and the deliberate "信任" drops the pin.
    const QString typed = QStringLiteral("127.0.0.1,%1").arg(server.port());
    const auto serverName = server_name::parse(typed);
    const std::filesystem::path folder =
        std::filesystem::path(std::getenv("SSL_CERT_FILE")).parent_path();
    const auto earlier = test_certificates::issue(
        {folder / "authority.pem", folder / "authority-key.pem"}, {"127.0.0.1"}, folder, "earlier");
    QFile pem(QString::fromStdString(earlier.certificate.string()));
    ASSERT_TRUE(pem.open(QIODevice::ReadOnly));
    server_trust::pin(serverName, pem.readAll());
    connectTo(typed, {false});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].reason(), UntrustedCertificate::Reason::Changed);
    EXPECT_TRUE(shown[0].bundleVouches());
    EXPECT_FALSE(control<QPushButton>("C_UnLink")->isEnabled());
    connectTo(typed, {true});
    EXPECT_EQ(window.statusText(), kConnected);
    EXPECT_FALSE(server_trust::pinned(serverName).has_value());
}

// A certificate the authority signed for another name is asked about; trusted, exactly
// that certificate is pinned, and it connects from then on though it names another host.
TEST_F(ServerTrust, ACertificateForAnotherNameIsAskedAboutAndPinnedOnTrust) {
    const std::filesystem::path folder =
        std::filesystem::path(std::getenv("SSL_CERT_FILE")).parent_path();
    const auto other =
        test_certificates::issue({folder / "authority.pem", folder / "authority-key.pem"},
                                 {"db.example"}, folder, "other-name");
    DevServerProcess server(
        DevServerProcess::Options{.extraArguments = {"--tls-cert", other.certificate.string(),
                                                     "--tls-key", other.key.string()}});
    const QString typed = QStringLiteral("127.0.0.1,%1").arg(server.port());
    connectTo(typed, {true});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].reason(), UntrustedCertificate::Reason::OtherName);
    EXPECT_EQ(shown[0].presented().alternativeNames, QStringList{"DNS:db.example"});
    EXPECT_EQ(window.statusText(), kConnected);
    connectTo(typed);
    EXPECT_EQ(window.statusText(), kConnected);
    EXPECT_TRUE(shown.empty());
}

// The whole story of a server with SQL Server's automatic certificate: asked once, trusted,
// never asked again; then the service restarts with a new certificate on the same port,
// and that one is refused before any login, until the operator deliberately trusts it.
TEST_F(ServerTrust, AnUnknownCertificateIsTrustedOnceAndAChangedOneIsRefused) {
    DevServerProcess server(DevServerProcess::Options{
        .extraArguments = {"--new-certificate-each-start"}, .ownCertificate = true});
    RecordingRelay relay(server.port());
    const QString typed = QStringLiteral("127.0.0.1,%1").arg(relay.port());
    const auto serverName = server_name::parse(typed);

    connectTo(typed, {false});
    ASSERT_EQ(shown.size(), 1u);
    const ServerCertificate first = shown[0].presented();
    EXPECT_EQ(shown[0].reason(), UntrustedCertificate::Reason::UnknownIssuer);
    EXPECT_EQ(first.subject, "CN=SSL_Self_Signed_Fallback");
    EXPECT_TRUE(first.isSelfSignedFallback);
    EXPECT_EQ(first.sha256.size(), 32 * 3 - 1);
    EXPECT_EQ(first.sha1.size(), 20 * 3 - 1);
    EXPECT_EQ(window.statusText(), texts::kCertificateUntrusted.arg(typed, first.issuer));
    EXPECT_FALSE(loginCrossed(relay.fromClient()));
    EXPECT_FALSE(QFile::exists(server_trust::pinPath(serverName)));

    connectTo(typed, {true});
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(window.statusText(), kConnected);
    EXPECT_TRUE(loginCrossed(relay.fromClient()));  // the relay would have seen one
    struct stat pin {};
    struct stat folder {};
    ASSERT_EQ(::stat(QFile::encodeName(server_trust::pinPath(serverName)).constData(), &pin), 0);
    ASSERT_EQ(::stat(QFile::encodeName(server_trust::pinFolder()).constData(), &folder), 0);
    EXPECT_EQ(pin.st_mode & 0777, 0600u);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_EQ(server_certificate::fromPem(*server_trust::pinned(serverName)).sha256, first.sha256);

    connectTo(typed);
    EXPECT_EQ(window.statusText(), kConnected);
    EXPECT_TRUE(shown.empty());
    control<QPushButton>("C_UnLink")->click();

    server.restart();
    const std::size_t beforeRestart = relay.fromClient().size();
    connectTo(typed, {false});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].reason(), UntrustedCertificate::Reason::Changed);
    EXPECT_FALSE(shown[0].bundleVouches());
    const QString second = shown[0].presented().sha256;
    EXPECT_NE(second, first.sha256);
    EXPECT_EQ(window.statusText(), texts::kCertificateChanged.arg(typed, first.sha256, second));
    EXPECT_FALSE(loginCrossed(relay.fromClient().substr(beforeRestart)));
    EXPECT_FALSE(control<QPushButton>("C_UnLink")->isEnabled());

    connectTo(typed, {true});
    EXPECT_EQ(window.statusText(), kConnected);
    EXPECT_EQ(server_certificate::fromPem(*server_trust::pinned(serverName)).sha256, second);
}

// A machine in the middle with a certificate of its own, in front of a server the system
// trusts, learns nothing: the connect is refused before the login, whatever the relay does.
TEST_F(ServerTrust, AMachineInTheMiddleWithItsOwnCertificateGetsNoLogin) {
    DevServerProcess impostor(DevServerProcess::Options{.ownCertificate = true});
    RecordingRelay relay(impostor.port());
    connectTo(QStringLiteral("localhost,%1").arg(relay.port()));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_FALSE(control<QPushButton>("C_UnLink")->isEnabled());
    EXPECT_FALSE(loginCrossed(relay.fromClient()));
    EXPECT_FALSE(relay.sawUtf16(u"sa"));
}

}  // namespace

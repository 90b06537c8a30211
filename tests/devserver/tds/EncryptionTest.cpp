// Encryption as PRELOGIN settles it: each server mode against each client setting, on the
// wire through the raw protocol client and end to end through FreeTDS, with a relay that
// shows what crossed in clear.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "OdbcSession.h"
#include "RawTdsClient.h"
#include "ReplyTokens.h"
#include "devserver/tds/Certificate.h"
#include "support/DevServerProcess.h"
#include "support/RecordingRelay.h"

using namespace tdstest;

namespace {

constexpr const char* kPassword = "Tls#Secret42";
constexpr std::uint8_t kOff = 0x00;
constexpr std::uint8_t kOn = 0x01;
constexpr std::uint8_t kNotSupported = 0x02;
constexpr std::uint8_t kRequired = 0x03;

DevServerProcess serverIn(const std::string& mode, std::vector<std::string> more = {}) {
    more.insert(more.begin(), {"--encryption", mode});
    return DevServerProcess(
        DevServerProcess::Options{.saPassword = kPassword, .extraArguments = more});
}

LoginFields saLogin() {
    LoginFields fields;
    fields.password = u"Tls#Secret42";
    return fields;
}

// PRELOGIN with the client's setting; returns the server's answer.
std::uint8_t preLogin(RawTdsClient& client, std::optional<std::uint8_t> setting) {
    client.sendMessage(0x12, buildPreLogin(setting));
    Bytes reply = client.readMessage();
    for (std::size_t pos = 0; reply.at(pos) != 0xFF; pos += 5) {
        if (reply[pos] == 0x01) {
            return reply.at((reply[pos + 1] << 8) | reply[pos + 2]);
        }
    }
    throw std::runtime_error("no ENCRYPTION in the PRELOGIN reply");
}

bool loggedIn(const Bytes& reply) {
    return tokensOf<LoginAckToken>(decodeReply(reply)).size() == 1;
}

std::vector<Token> query(RawTdsClient& client, std::u16string_view sql) {
    client.sendMessage(0x01, buildSqlBatch(sql));
    return decodeReply(client.readMessage());
}

}  // namespace

TEST(EncryptionOnTheWire, OffFromTheClientEncryptsTheLoginAlone) {
    DevServerProcess server = serverIn("optional");
    RecordingRelay relay(server.port());
    RawTdsClient client(relay.port());
    ASSERT_EQ(preLogin(client, kOff), kOff);
    client.startTls();
    EXPECT_EQ(client.tls()->protocolVersion(), "TLSv1.2");
    client.sendMessage(0x10, buildLogin7(saLogin()));
    client.stopTls();  // the server answers the login in clear
    EXPECT_TRUE(loggedIn(client.readMessage()));
    EXPECT_EQ(tokensOf<RowToken>(query(client, u"SELECT @@SPID")).size(), 1u);
    EXPECT_FALSE(relay.sawLoginPassword(u"Tls#Secret42"));
    EXPECT_TRUE(relay.sawUtf16(u"SELECT @@SPID"));
}

TEST(EncryptionOnTheWire, OnFromTheClientEncryptsEverything) {
    for (const char* mode : {"optional", "force"}) {
        SCOPED_TRACE(mode);
        DevServerProcess server = serverIn(mode);
        RecordingRelay relay(server.port());
        RawTdsClient client(relay.port());
        ASSERT_EQ(preLogin(client, kOn), kOn);
        client.startTls();
        client.sendMessage(0x10, buildLogin7(saLogin()));
        EXPECT_TRUE(loggedIn(client.readMessage()));
        EXPECT_EQ(tokensOf<RowToken>(query(client, u"SELECT N'秘密' AS secret")).size(), 1u);
        client.sendMessage(
            0x03, buildRpc(u"sp_executesql",
                           {{u"", RpcParameter::Type::NVarChar, u"SELECT 42 AS answer", {}}}));
        EXPECT_EQ(tokensOf<RowToken>(decodeReply(client.readMessage())).size(), 1u);
        EXPECT_FALSE(relay.sawLoginPassword(u"Tls#Secret42"));
        EXPECT_FALSE(relay.sawUtf16(u"SELECT N'秘密'"));
        EXPECT_FALSE(relay.sawUtf16(u"秘密"));
        EXPECT_FALSE(relay.sawUtf16(u"SELECT 42 AS answer"));
    }
}

TEST(EncryptionOnTheWire, AForcedServerRequiresItAndRefusesALoginSentInClear) {
    DevServerProcess server = serverIn("force");
    for (std::optional<std::uint8_t> setting :
         {std::optional<std::uint8_t>(kNotSupported), std::optional<std::uint8_t>(kOff),
          std::optional<std::uint8_t>()}) {
        RawTdsClient client(server.port());
        ASSERT_EQ(preLogin(client, setting), kRequired);
        client.sendMessage(0x10, buildLogin7(saLogin()));
        auto tokens = decodeReply(client.readMessage());
        auto errors = tokensOf<MessageToken>(tokens);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_TRUE(errors[0].error);
        EXPECT_EQ(errors[0].severity, 20);
        EXPECT_NE(errors[0].text.find(u"requires encryption"), std::u16string::npos);
        EXPECT_EQ(std::get<DoneToken>(tokens.back()).status, 0x0002);
        EXPECT_TRUE(client.closedByServer());
    }
    // Without any PRELOGIN, as a TDS 7.0 client logs in, it is refused alike.
    RawTdsClient early(server.port());
    early.sendMessage(0x10, buildLogin7(saLogin()));
    EXPECT_NE(tokensOf<MessageToken>(decodeReply(early.readMessage()))
                  .at(0)
                  .text.find(u"requires encryption"),
              std::u16string::npos);
    EXPECT_TRUE(server.readLog().empty());
}

TEST(EncryptionOnTheWire, AServerWithoutEncryptionSaysSoAndNeverStartsTls) {
    DevServerProcess server = serverIn("off");
    for (std::uint8_t setting : {kOff, kOn, kNotSupported, kRequired}) {
        RawTdsClient client(server.port());
        EXPECT_EQ(preLogin(client, setting), kNotSupported);
    }
    RawTdsClient insisting(server.port());
    ASSERT_EQ(preLogin(insisting, kOn), kNotSupported);
    EXPECT_THROW(insisting.startTls(), std::runtime_error);
    EXPECT_TRUE(insisting.closedByServer());
    // A client content without encryption logs in in clear; no certificate was made.
    RawTdsClient clear(server.port());
    EXPECT_TRUE(loggedIn(clear.logIn(saLogin())));
    EXPECT_FALSE(std::filesystem::exists(server.dataDir() / "tls-certificate.pem"));
}

TEST(EncryptionOnTheWire, TheServerPresentsItsOwnCertificateOrTheOneGiven) {
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("given-cert-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    auto now = std::chrono::system_clock::now();
    auto pem = devserver::tds::makeSelfSignedCertificate(
        {"given.example"}, now - std::chrono::hours(1), now + std::chrono::hours(24));
    std::ofstream(folder / "cert.pem") << pem.certificate;
    std::ofstream(folder / "key.pem") << pem.key;
    {
        DevServerProcess given = serverIn("optional", {"--tls-cert", (folder / "cert.pem").string(),
                                                       "--tls-key", (folder / "key.pem").string()});
        RawTdsClient client(given.port());
        ASSERT_EQ(preLogin(client, kOn), kOn);
        client.startTls();
        EXPECT_EQ(client.tls()->peerCommonName(), "given.example");
        EXPECT_FALSE(std::filesystem::exists(given.dataDir() / "tls-certificate.pem"));
    }
    std::filesystem::remove_all(folder);

    // Its own is made once and kept across restarts.
    DevServerProcess own = serverIn("optional");
    std::ifstream first(own.dataDir() / "tls-certificate.pem");
    std::string before((std::istreambuf_iterator<char>(first)), {});
    EXPECT_NE(before.find("BEGIN CERTIFICATE"), std::string::npos);
    own.restart();
    std::ifstream second(own.dataDir() / "tls-certificate.pem");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(second)), {}), before);
    EXPECT_EQ(std::filesystem::status(own.dataDir() / "tls-key.pem").permissions() &
                  std::filesystem::perms::others_read,
              std::filesystem::perms::none);
}

// FreeTDS's three settings against the three modes: whether it connects and what of the
// login and the statements crossed in clear. The settings send OFF (request), ON (require)
// and NOT_SUP (off).
TEST(EncryptionWithFreeTds, EachDriverSettingAgainstEachServerMode) {
    enum class Seen { Refused, AllClear, LoginHidden, AllHidden };
    struct Cell {
        const char* mode;
        const char* driver;
        Seen expected;
    };
    const Cell table[] = {
        {"off", "off", Seen::AllClear},
        {"off", "request", Seen::AllClear},
        {"off", "require", Seen::Refused},
        {"optional", "off", Seen::AllClear},
        {"optional", "request", Seen::LoginHidden},
        {"optional", "require", Seen::AllHidden},
        {"force", "off", Seen::AllHidden},
        {"force", "request", Seen::AllHidden},
        {"force", "require", Seen::AllHidden},
    };
    for (const char* mode : {"off", "optional", "force"}) {
        DevServerProcess server = serverIn(mode);
        for (const Cell& cell : table) {
            if (std::string(cell.mode) != mode) {
                continue;
            }
            SCOPED_TRACE(std::string("server ") + cell.mode + ", driver " + cell.driver);
            RecordingRelay relay(server.port());
            std::string connection = server.odbcConnectionString("master", "7.4", cell.driver);
            connection.replace(connection.find(std::to_string(server.port())),
                               std::to_string(server.port()).size(), std::to_string(relay.port()));
            Seen seen = Seen::Refused;
            try {
                OdbcSession session(connection);
                EXPECT_EQ(session.scalar("SELECT N'clear?' AS probe"), "clear?");
                bool loginClear = relay.sawLoginPassword(u"Tls#Secret42");
                bool statementClear = relay.sawUtf16(u"SELECT N'clear?' AS probe");
                EXPECT_FALSE(loginClear && !statementClear);  // never the login alone in clear
                seen = statementClear ? (loginClear ? Seen::AllClear : Seen::LoginHidden)
                                      : Seen::AllHidden;
            } catch (const OdbcFailure&) {
                EXPECT_FALSE(relay.sawLoginPassword(u"Tls#Secret42"));
            }
            EXPECT_EQ(static_cast<int>(seen), static_cast<int>(cell.expected));
        }
    }
}

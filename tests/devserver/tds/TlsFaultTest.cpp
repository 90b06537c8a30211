// Broken and stalled clients before and during the TLS handshake and the login: each is
// closed within a bounded time, the others are served on, and the data folder does not
// change. Then what the server refuses or repairs at start.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "RawTdsClient.h"
#include "ReplyTokens.h"
#include "devserver/tds/Certificate.h"
#include "support/DevServerProcess.h"

using namespace tdstest;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint8_t kOn = 0x01;
// The server's login time-out in these tests, and how long a test waits for it to act.
constexpr int kLoginTimeoutSeconds = 1;
constexpr auto kPatience = std::chrono::seconds(8);

LoginFields saLogin() {
    LoginFields fields;
    fields.password = u"Fault#Pass3";
    return fields;
}

Bytes header(std::uint8_t type, std::uint16_t length) {
    return {
        type, 0x01, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0, 0,
        1,    0};
}

class TlsFaults : public ::testing::Test {
  protected:
    TlsFaults()
        : server_(DevServerProcess::Options{
              .saPassword = "Fault#Pass3",
              .extraArguments = {"--encryption", "optional", "--login-timeout",
                                 std::to_string(kLoginTimeoutSeconds)}}) {
        survivor_ = std::make_unique<RawTdsClient>(server_.port());
        encryptedLogIn(*survivor_);
        query(*survivor_,
              u"CREATE DATABASE Keep CREATE TABLE Keep.dbo.t (v nvarchar(20)) "
              u"INSERT INTO Keep.dbo.t VALUES (N'保留')");
        dataBefore_ = dataFolder();
    }

    static void encryptedLogIn(RawTdsClient& client) {
        client.sendMessage(0x12, buildPreLogin(kOn));
        client.readMessage();
        client.startTls();
        client.sendMessage(0x10, buildLogin7(saLogin()));
        client.readMessage();
    }
    static std::vector<Token> query(RawTdsClient& client, std::u16string_view sql) {
        client.sendMessage(0x01, buildSqlBatch(sql));
        return decodeReply(client.readMessage());
    }

    std::map<std::string, std::string> dataFolder() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(server_.dataDir())) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[entry.path().filename().string()] =
                std::string(std::istreambuf_iterator<char>(in), {});
        }
        return files;
    }

    // A client that has said ON and received the server's answer.
    std::unique_ptr<RawTdsClient> agreedOnTls() {
        auto client = std::make_unique<RawTdsClient>(server_.port(), kPatience);
        client->sendMessage(0x12, buildPreLogin(kOn));
        client->readMessage();
        return client;
    }

    // The server closes the connection by itself (the client neither sends nor closes
    // anything more), within the login time-out and some slack.
    static void expectClosedByTheServerAlone(RawTdsClient& client) {
        const auto start = Clock::now();
        EXPECT_TRUE(client.closedByServer());
        EXPECT_LT(Clock::now() - start, kPatience);
    }

    // The logged-in bystander (idle far longer than the login time-out by now) still gets
    // answers inside TLS, newcomers still log in, and not a byte of the data folder changed.
    void expectServerStillServes() {
        EXPECT_EQ(tokensOf<RowToken>(query(*survivor_, u"SELECT v FROM Keep.dbo.t")).size(), 1u);
        EXPECT_EQ(dataFolder(), dataBefore_);
        RawTdsClient newcomer(server_.port());
        encryptedLogIn(newcomer);
        EXPECT_EQ(tokensOf<RowToken>(query(newcomer, u"SELECT @@SPID")).size(), 1u);
    }

    DevServerProcess server_;
    std::unique_ptr<RawTdsClient> survivor_;
    std::map<std::string, std::string> dataBefore_;
};

}  // namespace

TEST_F(TlsFaults, GarbageInsteadOfAHandshakeClosesTheConnectionAtOnce) {
    for (Bytes garbage : {Bytes(300, 0x41), Bytes{0x16, 0x03, 0x01, 0x00, 0x05, 1, 2, 3, 4, 5},
                          Bytes{0x17, 0x03, 0x03, 0x40, 0x00}}) {
        auto client = agreedOnTls();
        client->sendMessage(0x12, garbage);
        client->shutdownSending();
        EXPECT_TRUE(client->closedByServer());
    }
    // A handshake message of another packet type is garbage too.
    auto client = agreedOnTls();
    client->sendMessage(0x01, buildSqlBatch(u"SELECT 1"));
    EXPECT_TRUE(client->closedByServer());
    expectServerStillServes();
}

TEST_F(TlsFaults, ATruncatedRecordClosesTheConnection) {
    // Inside TLS, a record whose body never comes in full: first the client goes away,
    // then it merely stops sending.
    for (bool clientCloses : {true, false}) {
        SCOPED_TRACE(clientCloses);
        auto client = agreedOnTls();
        client->startTls();
        Bytes cut = {0x17, 0x03, 0x03, 0x01, 0x00};  // application data, 256 bytes announced
        cut.resize(cut.size() + 40, 0x99);
        client->sendOnSocket(cut);
        if (clientCloses) {
            client->shutdownSending();
        }
        expectClosedByTheServerAlone(*client);
    }
    // A record whose body is complete but forged.
    auto forged = agreedOnTls();
    forged->startTls();
    Bytes record = {0x17, 0x03, 0x03, 0x00, 0x20};
    record.resize(record.size() + 0x20, 0x5A);
    forged->sendOnSocket(record);
    EXPECT_TRUE(forged->closedByServer());
    expectServerStillServes();
}

TEST_F(TlsFaults, AClientThatStopsHalfwayIsClosedAfterTheLoginTimeOut) {
    // After its hello.
    auto hello = agreedOnTls();
    TlsClient tls;
    tls.continueHandshake({});
    hello->sendMessage(0x12, tls.takeOutput());
    hello->readMessage();  // the server's hello, certificate and key exchange
    // After the whole handshake, before LOGIN7.
    auto handshaken = agreedOnTls();
    handshaken->startTls();
    // After half a LOGIN7, inside TLS.
    auto halfLogin = agreedOnTls();
    halfLogin->startTls();
    Bytes login = buildLogin7(saLogin());
    Bytes half = header(0x10, static_cast<std::uint16_t>(login.size() + 8));
    half.insert(half.end(), login.begin(), login.begin() + 30);
    halfLogin->sendRaw(half);
    // In clear: half a packet header, and nothing at all.
    RawTdsClient halfHeader(server_.port(), kPatience);
    halfHeader.sendOnSocket(Bytes{0x12, 0x01, 0x00});
    RawTdsClient silent(server_.port(), kPatience);

    for (RawTdsClient* client :
         {hello.get(), handshaken.get(), halfLogin.get(), &halfHeader, &silent}) {
        expectClosedByTheServerAlone(*client);
    }
    expectServerStillServes();
}

TEST_F(TlsFaults, AHundredStalledConnectionsDoNotKeepOthersOut) {
    std::vector<std::unique_ptr<RawTdsClient>> stalled;
    for (int i = 0; i < 100; ++i) {
        stalled.push_back(std::make_unique<RawTdsClient>(server_.port(), kPatience));
        stalled.back()->sendOnSocket(Bytes{0x12, 0x01});
    }
    for (auto& client : stalled) {
        EXPECT_TRUE(client->closedByServer());
    }
    expectServerStillServes();
}

TEST(DevServerStart, RefusesAnExpiredOrMismatchedCertificateInOneLine) {
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("bad-cert-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    auto now = std::chrono::system_clock::now();
    auto expired = devserver::tds::makeSelfSignedCertificate(
        {"old.example"}, now - std::chrono::hours(48), now - std::chrono::hours(24));
    auto other = devserver::tds::makeSelfSignedCertificate(
        {"other.example"}, now - std::chrono::hours(1), now + std::chrono::hours(1));
    std::ofstream(folder / "expired.pem") << expired.certificate;
    std::ofstream(folder / "expired-key.pem") << expired.key;
    std::ofstream(folder / "other-key.pem") << other.key;
    std::ofstream(folder / "other.pem") << other.certificate;
    std::ofstream(folder / "not-a-certificate.pem") << "hello\n";

    struct Case {
        std::string certificate;
        std::string key;
        std::string said;
    };
    const Case cases[] = {
        {"expired.pem", "expired-key.pem", "expired on"},
        {"other.pem", "expired-key.pem", "does not belong to the certificate"},
        {"not-a-certificate.pem", "other-key.pem", "holds no PEM certificate"},
        {"other.pem", "missing-key.pem", "cannot read the key"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.certificate + " " + c.key);
        try {
            DevServerProcess server(DevServerProcess::Options{
                .saPassword = "",
                .extraArguments = {"--tls-cert", (folder / c.certificate).string(), "--tls-key",
                                   (folder / c.key).string()}});
            ADD_FAILURE() << "the server started";
        } catch (const std::runtime_error& e) {
            std::string message = e.what();
            std::string errors = message.substr(message.find("its error output: ") + 18);
            EXPECT_NE(errors.find(c.said), std::string::npos) << errors;
            EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
            EXPECT_EQ(errors.rfind("devserver: ", 0), 0u) << errors;
        }
    }
    std::filesystem::remove_all(folder);
}

TEST(DevServerStart, RemovesWhatInterruptedWritesLeftAndNothingElse) {
    DevServerProcess server(DevServerProcess::Options{"Start#Pass1"});
    {
        RawTdsClient client(server.port());
        LoginFields fields;
        fields.password = u"Start#Pass1";
        client.logIn(fields);
        client.sendMessage(0x01, buildSqlBatch(u"CREATE DATABASE Shop"));
        client.readMessage();
    }
    server.stop();
    const auto& data = server.dataDir();
    const std::vector<std::string> leftovers = {"catalog.tmp4242-0", "Shop.mdf.tmp4242-17",
                                                "Shop_log.ldf.tmp1-2"};
    const std::vector<std::string> others = {"notes.tmp", "Shop.mdf.tmp", "Shop.mdf.tmp12",
                                             "plan.tmp3-x", "Shop.mdf"};
    for (const auto& name : leftovers) {
        std::ofstream(data / name) << std::string(1000, 'x');
    }
    for (const auto& name : others) {
        if (!std::filesystem::exists(data / name)) {
            std::ofstream(data / name) << "keep";
        }
    }
    server.restart();
    for (const auto& name : leftovers) {
        EXPECT_FALSE(std::filesystem::exists(data / name)) << name;
    }
    for (const auto& name : others) {
        EXPECT_TRUE(std::filesystem::exists(data / name)) << name;
    }
    RawTdsClient client(server.port());
    LoginFields fields;
    fields.password = u"Start#Pass1";
    client.logIn(fields);
    client.sendMessage(0x01, buildSqlBatch(u"SELECT name FROM sysdatabases WHERE name = 'Shop'"));
    EXPECT_EQ(tokensOf<RowToken>(decodeReply(client.readMessage())).size(), 1u);
}

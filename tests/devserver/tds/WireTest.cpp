// What goes over the wire, seen by a client written from MS-TDS.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "RawTdsClient.h"
#include "ReplyTokens.h"
#include "support/CatalogueQuery.h"
#include "support/DevServerProcess.h"

using namespace tdstest;

namespace {

constexpr const char16_t* kPassword = u"Wire0Pass";

DevServerProcess startServer(int seedDatabases = 0) {
    return DevServerProcess(DevServerProcess::Options{"Wire0Pass", seedDatabases});
}

LoginFields saLogin(std::uint32_t version = 0x74000004, std::uint32_t packetSize = 4096) {
    LoginFields fields;
    fields.tdsVersion = version;
    fields.packetSize = packetSize;
    fields.password = kPassword;
    return fields;
}

std::vector<Token> query(RawTdsClient& client, std::u16string_view sql, bool wide = true) {
    client.sendMessage(0x01, buildSqlBatch(sql, wide));
    return decodeReply(client.readMessage(), wide);
}

}  // namespace

TEST(WireLogin, AnswersEachVersionWithItsOwnLayoutsAndTheSessionsSpid) {
    auto server = startServer();
    for (std::uint32_t version :
         {0x71000001u, 0x72090002u, 0x730A0003u, 0x730B0003u, 0x74000004u, 0x75000000u}) {
        SCOPED_TRACE(version);
        bool wide = version >= 0x72000000;
        RawTdsClient client(server.port());
        client.sendMessage(0x12, buildPreLogin());
        client.readMessage();
        client.sendMessage(0x10, buildLogin7(saLogin(version)));
        auto packets = client.readMessagePackets();
        Bytes payload;
        for (const auto& packet : packets) {
            EXPECT_EQ(packet.type, 0x04);
            EXPECT_GE(packet.spid, 51);
            EXPECT_EQ(packet.spid, packets[0].spid);
            payload.insert(payload.end(), packet.body.begin(), packet.body.end());
        }
        auto tokens = decodeReply(payload, wide);
        auto ack = tokensOf<LoginAckToken>(tokens);
        ASSERT_EQ(ack.size(), 1u);
        EXPECT_EQ(ack[0].tdsVersion, std::min(version, 0x74000004u));
        auto final = std::get<DoneToken>(tokens.back());
        EXPECT_EQ(final.status, 0);

        auto reply = query(client, u"SELECT @@SPID", wide);
        auto rows = tokensOf<RowToken>(reply);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(std::get<std::int64_t>(*rows[0].cells.at(0)), packets[0].spid);
    }
}

TEST(WireLogin, RefusesAWrongPasswordThenCloses) {
    auto server = startServer();
    RawTdsClient client(server.port());
    LoginFields fields = saLogin();
    fields.password = u"nope";
    auto tokens = decodeReply(client.logIn(fields));
    ASSERT_EQ(tokens.size(), 2u);
    auto error = std::get<MessageToken>(tokens[0]);
    EXPECT_TRUE(error.error);
    EXPECT_EQ(error.number, 18456);
    EXPECT_EQ(error.severity, 14);
    EXPECT_EQ(error.text, u"Login failed for user 'sa'.");
    EXPECT_EQ(std::get<DoneToken>(tokens[1]).status, 0x0002);
    EXPECT_TRUE(client.closedByServer());
}

TEST(WireLogin, RefusesIntegratedSecurityWith18452ThenCloses) {
    auto server = startServer();
    RawTdsClient client(server.port());
    LoginFields fields;
    fields.user.clear();
    fields.integratedSecurity = true;
    auto tokens = decodeReply(client.logIn(fields));
    auto errors = tokensOf<MessageToken>(tokens);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].number, 18452);
    EXPECT_EQ(std::get<DoneToken>(tokens.back()).status, 0x0002);
    EXPECT_TRUE(client.closedByServer());
}

TEST(WirePackets, RepliesNeverExceedTheNegotiatedSize) {
    auto server = startServer(200);
    RawTdsClient client(server.port());
    auto login = decodeReply(client.logIn(saLogin(0x74000004, 512)));
    auto sizes = tokensOf<EnvChangeToken>(login);
    auto packetSize = std::find_if(sizes.begin(), sizes.end(),
                                   [](const EnvChangeToken& e) { return e.type == 4; });
    ASSERT_NE(packetSize, sizes.end());
    EXPECT_EQ(packetSize->newText(), u"512");

    client.sendMessage(0x01, buildSqlBatch(kCatalogueQuery16), 512);
    auto packets = client.readMessagePackets();
    ASSERT_GT(packets.size(), 2u);
    Bytes payload;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        EXPECT_LE(packets[i].length, 512);
        EXPECT_EQ(packets[i].status & 0x01, i + 1 == packets.size() ? 1 : 0);
        EXPECT_GE(packets[i].spid, 51);
        payload.insert(payload.end(), packets[i].body.begin(), packets[i].body.end());
    }
    auto tokens = decodeReply(payload);
    EXPECT_EQ(tokensOf<RowToken>(tokens).size(), 200u);
    auto done = std::get<DoneToken>(tokens.back());
    EXPECT_EQ(done.status & 0x0001, 0);
    EXPECT_EQ(done.rowCount, 200u);
}

TEST(WirePackets, ReassemblesARequestSpanningManyPackets) {
    auto server = startServer();
    RawTdsClient client(server.port());
    client.logIn(saLogin());
    std::u16string sql = u"SELECT @@SPID" + std::u16string(3000, u' ') + u"\r\n";
    client.sendMessage(0x01, buildSqlBatch(sql), 512);
    auto tokens = decodeReply(client.readMessage());
    EXPECT_EQ(tokensOf<RowToken>(tokens).size(), 1u);
    auto log = server.readLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].sql, "SELECT @@SPID" + std::string(3000, ' ') + "\r\n");
}

TEST(WireRequests, AcknowledgesAttentionEvenAfterTheRequestEnded) {
    auto server = startServer();
    RawTdsClient client(server.port());
    client.logIn(saLogin());

    // Sent right behind a batch: the batch's reply, then the acknowledgement on its own.
    client.sendMessage(0x01, buildSqlBatch(u"SELECT @@SPID"));
    client.sendMessage(0x06, Bytes{});
    auto reply = decodeReply(client.readMessage());
    EXPECT_EQ(tokensOf<RowToken>(reply).size(), 1u);
    auto ack = decodeReply(client.readMessage());
    ASSERT_EQ(ack.size(), 1u);
    EXPECT_EQ(std::get<DoneToken>(ack[0]).status, 0x0020);

    // In the middle of sending a request: the half-sent request is dropped.
    Bytes half = buildSqlBatch(std::u16string(600, u'x'));
    client.sendMessage(0x01, std::span(half).first(400), 512, 0x00);
    client.sendMessage(0x06, Bytes{});
    ack = decodeReply(client.readMessage());
    ASSERT_EQ(ack.size(), 1u);
    EXPECT_EQ(std::get<DoneToken>(ack[0]).status, 0x0020);

    EXPECT_EQ(tokensOf<RowToken>(query(client, u"SELECT @@SPID")).size(), 1u);
}

TEST(WireRequests, AnAttentionStopsAThrottledBackupWithinOnePieceAndTheRestOfItsBatch) {
    DevServerProcess server(DevServerProcess::Options{"Wire0Pass", 0, 50});
    RawTdsClient client(server.port());
    client.logIn(saLogin());
    const std::u16string data = (server.dataDir() / "Big.mdf").u16string();
    const std::u16string bak = (server.dataDir() / "Big.bak").u16string();
    query(client,
          u"CREATE DATABASE Big ON PRIMARY (NAME = Big, FILENAME = '" + data + u"', SIZE = 200MB)");

    client.sendMessage(0x01, buildSqlBatch(u"BACKUP DATABASE Big TO DISK = '" + bak +
                                           u"' WITH FORMAT; CREATE DATABASE After"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto sent = std::chrono::steady_clock::now();
    client.sendMessage(0x06, Bytes{});
    // Only the acknowledgement: the client discards whatever would come before it anyway.
    const auto ack = decodeReply(client.readMessage());
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(1));
    ASSERT_EQ(ack.size(), 1u);
    EXPECT_EQ(std::get<DoneToken>(ack[0]).status, 0x0020);

    // The session goes on; neither the backup file nor the next statement happened.
    EXPECT_TRUE(
        tokensOf<RowToken>(query(client, u"SELECT name FROM sys.databases WHERE name = 'After'"))
            .empty());
    EXPECT_FALSE(std::filesystem::exists(server.dataDir() / "Big.bak"));
    const auto log = server.readLog();
    ASSERT_GE(log.size(), 3u);
    EXPECT_TRUE(log[2].attention);
    EXPECT_EQ(log[2].spid, log[1].spid);
    EXPECT_EQ(log[2].login, "sa");
}

TEST(WireRequests, AnIgnoredRequestIsNeitherRunNorLogged) {
    auto server = startServer();
    RawTdsClient client(server.port());
    client.logIn(saLogin());
    client.sendMessage(0x01, buildSqlBatch(u"CREATE DATABASE Ignored"), 4096, 0x03);
    auto tokens = decodeReply(client.readMessage());
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(std::get<DoneToken>(tokens[0]).status & 0x0002, 0x0002);
    EXPECT_TRUE(server.readLog().empty());
}

TEST(WireRequests, OtherRequestTypesGetAClass16Error) {
    auto server = startServer();
    RawTdsClient client(server.port());
    client.logIn(saLogin());
    for (std::uint8_t type : {0x07, 0x0E}) {
        SCOPED_TRACE(type);
        client.sendMessage(type, Bytes{0x16, 0, 0, 0, 0x12, 0, 0, 0, 0x02, 0, 1, 2, 3});
        auto tokens = decodeReply(client.readMessage());
        auto errors = tokensOf<MessageToken>(tokens);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_TRUE(errors[0].error);
        EXPECT_EQ(errors[0].severity, 16);
        EXPECT_NE(errors[0].text.find(u"models only SQL batches"), std::u16string::npos);
        EXPECT_EQ(std::get<DoneToken>(tokens.back()).status, 0x0002);
    }
    EXPECT_EQ(tokensOf<RowToken>(query(client, u"SELECT @@SPID")).size(), 1u);
}

// Hostile and broken input: each bad connection is closed, the others are served on.

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <map>

#include <random>

#include "RawTdsClient.h"
#include "ReplyTokens.h"
#include "support/DevServerProcess.h"

using namespace tdstest;

namespace {

LoginFields saLogin() {
    LoginFields fields;
    fields.password = u"Fuzz1Pass";
    return fields;
}

Bytes header(std::uint8_t type, std::uint8_t status, std::uint16_t length) {
    return {type,
            status,
            static_cast<std::uint8_t>(length >> 8),
            static_cast<std::uint8_t>(length),
            0,
            0,
            1,
            0};
}

class FuzzTest : public ::testing::Test {
  protected:
    FuzzTest() : server_(DevServerProcess::Options{"Fuzz1Pass", 0}) {
        survivor_ = std::make_unique<RawTdsClient>(server_.port());
        survivor_->logIn(saLogin());
        survivor_->sendMessage(0x01, buildSqlBatch(u"CREATE DATABASE Keep "
                                                   u"CREATE TABLE Keep.dbo.t (v nvarchar(20)) "
                                                   u"INSERT INTO Keep.dbo.t VALUES (N'保留')"));
        survivor_->readMessage();
        dataBefore_ = dataFolder();
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

    // The logged-in bystander still gets answers, new clients can still log in, and not a
    // byte of the data folder has changed.
    void expectServerStillServes() {
        survivor_->sendMessage(0x01, buildSqlBatch(u"SELECT v FROM Keep.dbo.t"));
        EXPECT_EQ(tokensOf<RowToken>(decodeReply(survivor_->readMessage())).size(), 1u);
        EXPECT_EQ(dataFolder(), dataBefore_);
        RawTdsClient newcomer(server_.port());
        auto tokens = decodeReply(newcomer.logIn(saLogin()));
        EXPECT_EQ(tokensOf<LoginAckToken>(tokens).size(), 1u);
    }

    // Sends the bytes (a send may fail once the server has hung up), ends the client's
    // side, and expects the server to close the connection.
    void expectClosedAfter(const Bytes& bytes, RawTdsClient& client) {
        try {
            client.sendRaw(bytes);
        } catch (const std::runtime_error&) {
        }
        client.shutdownSending();
        EXPECT_TRUE(client.closedByServer());
    }

    void expectClosedAfter(const Bytes& bytes) {
        RawTdsClient client(server_.port());
        expectClosedAfter(bytes, client);
    }

    DevServerProcess server_;
    std::unique_ptr<RawTdsClient> survivor_;
    std::map<std::string, std::string> dataBefore_;
};

}  // namespace

TEST_F(FuzzTest, TruncatedPacketsCloseOnlyTheirConnection) {
    expectClosedAfter(Bytes{0x12, 0x01, 0x00});  // inside the header
    Bytes body = header(0x12, 0x01, 4000);       // claims more than it sends
    body.resize(100, 0xAB);
    expectClosedAfter(body);
    Bytes login = buildLogin7(saLogin());
    Bytes cut = header(0x10, 0x01, static_cast<std::uint16_t>(login.size() + 8));
    cut.insert(cut.end(), login.begin(), login.begin() + 50);
    expectClosedAfter(cut);
    expectServerStillServes();
}

TEST_F(FuzzTest, ImpossibleHeadersAndLyingFieldsCloseTheConnection) {
    expectClosedAfter(header(0x12, 0x01, 4));  // length below the header's own
    expectClosedAfter(header(0x55, 0x01, 8));  // no such packet type
    expectClosedAfter(header(0x01, 0x01, 8));  // a batch before any login

    Bytes login = buildLogin7(saLogin());
    login[40] = 0xF0;  // UserName offset past the end
    login[41] = 0xFF;
    Bytes lying = header(0x10, 0x01, static_cast<std::uint16_t>(login.size() + 8));
    lying.insert(lying.end(), login.begin(), login.end());
    expectClosedAfter(lying);

    Bytes oldVersion = buildLogin7(saLogin());
    oldVersion[4] = 0x00;  // TDS 7.0
    oldVersion[7] = 0x70;
    Bytes old = header(0x10, 0x01, static_cast<std::uint16_t>(oldVersion.size() + 8));
    old.insert(old.end(), oldVersion.begin(), oldVersion.end());
    expectClosedAfter(old);

    // After login: an odd-length batch text and an ALL_HEADERS longer than the message.
    for (Bytes batch :
         {Bytes{0x16, 0, 0, 0, 0x12, 0, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x41},
          Bytes{0xFF, 0xFF, 0, 0, 0x41, 0}}) {
        RawTdsClient client(server_.port());
        client.logIn(saLogin());
        Bytes packet = header(0x01, 0x01, static_cast<std::uint16_t>(batch.size() + 8));
        packet.insert(packet.end(), batch.begin(), batch.end());
        expectClosedAfter(packet, client);
    }
    expectServerStillServes();
}

TEST_F(FuzzTest, OversizedMessagesCloseTheConnection) {
    RawTdsClient client(server_.port());
    Bytes packet = header(0x12, 0x00, 32767);  // never an end of message
    packet.resize(32767, 0x5A);
    bool sendFailed = false;
    for (int i = 0; i < 600 && !sendFailed; ++i) {  // ~19 MiB, more than any request may be
        try {
            client.sendRaw(packet);
        } catch (const std::runtime_error&) {
            sendFailed = true;
        }
    }
    client.shutdownSending();
    EXPECT_TRUE(client.closedByServer());
    expectServerStillServes();
}

TEST_F(FuzzTest, RandomBytesNeverHurtTheServer) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(1, 300);
    const std::uint8_t types[] = {0x12, 0x10, 0x01, 0x06, 0x03};
    for (int round = 0; round < 150; ++round) {
        Bytes junk(static_cast<std::size_t>(length(random)));
        for (auto& b : junk) {
            b = static_cast<std::uint8_t>(byte(random));
        }
        if (round % 2 == 1) {
            // A believable header in front of random content reaches the parsers.
            Bytes framed =
                header(types[round % 5], 0x01, static_cast<std::uint16_t>(junk.size() + 8));
            framed.insert(framed.end(), junk.begin(), junk.end());
            junk = framed;
        }
        RawTdsClient client(server_.port(), std::chrono::seconds(5));
        expectClosedAfter(junk, client);
    }
    // Random requests from a logged-in client.
    for (int round = 0; round < 50; ++round) {
        RawTdsClient client(server_.port(), std::chrono::seconds(5));
        client.logIn(saLogin());
        Bytes junk(static_cast<std::size_t>(length(random)));
        for (auto& b : junk) {
            b = static_cast<std::uint8_t>(byte(random));
        }
        Bytes framed = header(types[round % 5], 0x01, static_cast<std::uint16_t>(junk.size() + 8));
        framed.insert(framed.end(), junk.begin(), junk.end());
        expectClosedAfter(framed, client);
    }
    expectServerStillServes();
}

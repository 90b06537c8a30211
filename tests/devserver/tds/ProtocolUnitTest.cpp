// The protocol layer's pure parts, checked against an independent decoder of the wire format.

#include <gtest/gtest.h>

#include <string>

#include "RawTdsClient.h"
#include "ReplyTokens.h"
#include "devserver/tds/Login7.h"
#include "devserver/tds/LoginReply.h"
#include "devserver/tds/Packet.h"
#include "devserver/tds/PreLogin.h"
#include "devserver/tds/ProtocolError.h"
#include "devserver/tds/ReplyEncoder.h"
#include "devserver/tds/SqlBatch.h"
#include "devserver/tds/TdsVersion.h"

namespace ds = devserver;
namespace tds = devserver::tds;
using namespace tdstest;

namespace {

constexpr std::uint32_t kAllVersions[] = {0x71000001, 0x72090002, 0x730A0003, 0x730B0003,
                                          0x74000004};

tds::TdsVersion version(std::uint32_t value) {
    return static_cast<tds::TdsVersion>(value);
}

std::vector<DoneToken> dones(const std::vector<Token>& tokens) {
    return tokensOf<DoneToken>(tokens);
}

}  // namespace

TEST(Login7Parsing, ReadsTheFieldsOfEveryVersionsLayout) {
    for (std::uint32_t v : kAllVersions) {
        LoginFields fields;
        fields.tdsVersion = v;
        fields.packetSize = 8192;
        fields.user = u"sa";
        fields.password = u"pä\u00DF\u20AC\U0001F642'\"";
        fields.database = u"销售";
        tds::Login7 login = tds::parseLogin7(buildLogin7(fields));
        SCOPED_TRACE(v);
        EXPECT_EQ(login.tdsVersion, v);
        EXPECT_EQ(login.packetSize, 8192u);
        EXPECT_EQ(login.userName, u"sa");
        EXPECT_EQ(login.password, fields.password);
        EXPECT_EQ(login.database, u"销售");
        EXPECT_EQ(login.hostName, u"testhost");
        EXPECT_FALSE(login.integratedSecurity);
    }
}

TEST(Login7Parsing, CarriesTheFirstGssTokenOfAnIntegratedLogin) {
    LoginFields fields;
    fields.user.clear();
    fields.integratedSecurity = true;
    fields.sspi = {0x60, 0x82, 0x01, 0x02, 0x06, 0x09};
    for (std::uint32_t v : {0x71000001u, 0x74000004u}) {
        fields.tdsVersion = v;
        const tds::Login7 login = tds::parseLogin7(buildLogin7(fields));
        EXPECT_TRUE(login.integratedSecurity);
        EXPECT_EQ(login.sspi, fields.sspi);
    }
    // A token of 64 KiB or more has its length in cbSSPILong.
    fields.sspi.assign(70000, 0x5A);
    EXPECT_EQ(tds::parseLogin7(buildLogin7(fields)).sspi.size(), 70000u);

    // A token said to reach past the message is a protocol error, not a read past it.
    fields.sspi = {1, 2, 3, 4};
    Bytes lying = buildLogin7(fields);
    lying[80] = 0x40;  // cbSSPI: 64 bytes where 4 are
    EXPECT_THROW(tds::parseLogin7(lying), tds::ProtocolError);
    Bytes cut(lying.begin(), lying.end() - 2);
    cut[80] = 4;
    EXPECT_THROW(tds::parseLogin7(cut), tds::ProtocolError);
}

TEST(Login7Parsing, RejectsFieldsOutsideTheMessageAndShortMessages) {
    Bytes login = buildLogin7(LoginFields{});
    Bytes shortened(login.begin(), login.begin() + 60);
    EXPECT_THROW(tds::parseLogin7(shortened), tds::ProtocolError);

    Bytes lying = login;
    lying[40] = 0xFF;  // UserName offset far beyond the end
    lying[41] = 0x7F;
    EXPECT_THROW(tds::parseLogin7(lying), tds::ProtocolError);

    Bytes tooLong = login;
    tooLong[42] = 0xFF;  // UserName length
    EXPECT_THROW(tds::parseLogin7(tooLong), tds::ProtocolError);
}

TEST(Negotiation, AnswersTheClientsVersionAtMost74) {
    for (std::uint32_t v : kAllVersions) {
        EXPECT_EQ(static_cast<std::uint32_t>(tds::negotiateVersion(v)), v);
    }
    EXPECT_EQ(tds::negotiateVersion(0x75000000), tds::TdsVersion::V7_4);
    EXPECT_EQ(tds::negotiateVersion(0x730B0004), tds::TdsVersion::V7_3B);
    EXPECT_EQ(tds::negotiateVersion(0x71000000), tds::TdsVersion::V7_1);
    EXPECT_THROW(tds::negotiateVersion(0x70000000), tds::ProtocolError);
}

TEST(Negotiation, KeepsPacketSizesWithinSqlServersLimits) {
    EXPECT_EQ(tds::negotiatePacketSize(0), 4096u);
    EXPECT_EQ(tds::negotiatePacketSize(100), 512u);
    EXPECT_EQ(tds::negotiatePacketSize(8000), 8000u);
    EXPECT_EQ(tds::negotiatePacketSize(65536), 32767u);
}

TEST(PacketFraming, SplitsWithinTheSizeAndMarksOnlyTheLastPacket) {
    Bytes payload(5000);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<std::uint8_t>(i * 7);
    }
    Bytes framed = tds::framePackets(payload, tds::PacketType::Reply, 512, 53);
    Bytes joined;
    std::size_t pos = 0;
    int packets = 0;
    while (pos < framed.size()) {
        std::size_t length = (framed[pos + 2] << 8) | framed[pos + 3];
        ASSERT_LE(length, 512u);
        ASSERT_GE(length, 9u);
        EXPECT_EQ(framed[pos], 0x04);
        EXPECT_EQ((framed[pos + 4] << 8) | framed[pos + 5], 53);
        bool last = pos + length == framed.size();
        EXPECT_EQ(framed[pos + 1] & 0x01, last ? 1 : 0);
        joined.insert(joined.end(), framed.begin() + pos + 8, framed.begin() + pos + length);
        pos += length;
        ++packets;
    }
    EXPECT_EQ(joined, payload);
    EXPECT_EQ(packets, 10);  // 5000 / 504, rounded up

    Bytes empty = tds::framePackets({}, tds::PacketType::Reply, 4096, 51);
    EXPECT_EQ(empty, (Bytes{0x04, 0x01, 0x00, 0x08, 0x00, 0x33, 0x01, 0x00}));
}

TEST(PreLogin, AnswersTheAgreedSettingInAWellFormedTableAndReadsTheClients) {
    using tds::EncryptionSetting;
    for (EncryptionSetting answer :
         {EncryptionSetting::Off, EncryptionSetting::On, EncryptionSetting::NotSupported,
          EncryptionSetting::Required}) {
        Bytes reply = tds::preLoginReply(answer);
        int encryptionOptions = 0;
        for (std::size_t pos = 0; reply.at(pos) != 0xFF; pos += 5) {
            std::size_t offset = (reply[pos + 1] << 8) | reply[pos + 2];
            std::size_t length = (reply[pos + 3] << 8) | reply[pos + 4];
            ASSERT_LE(offset + length, reply.size());
            if (reply[pos] == 0x01) {
                ++encryptionOptions;
                ASSERT_EQ(length, 1u);
                EXPECT_EQ(reply[offset], static_cast<std::uint8_t>(answer));
            }
        }
        EXPECT_EQ(encryptionOptions, 1);
        EXPECT_EQ(tds::parsePreLogin(reply).encryption, answer);
        EXPECT_EQ(tds::parsePreLogin(buildPreLogin(static_cast<std::uint8_t>(answer))).encryption,
                  answer);
    }
    // The client-certificate flag rides on the setting; a client may leave the option out.
    EXPECT_EQ(tds::parsePreLogin(buildPreLogin(0x81)).encryption, EncryptionSetting::On);
    EXPECT_EQ(tds::parsePreLogin(buildPreLogin(std::nullopt)).encryption, std::nullopt);
    EXPECT_THROW(tds::parsePreLogin(buildPreLogin(0x04)), tds::ProtocolError);
    EXPECT_THROW(tds::parsePreLogin(Bytes{0x00, 0x00, 0x40, 0x00, 0x06, 0xFF}), tds::ProtocolError);
    EXPECT_THROW(tds::parsePreLogin(Bytes{0x00, 0x00}), tds::ProtocolError);
}

// The server's side of MS-TDS 2.2.6.5: each mode against each client setting (nullopt: the
// client sent no ENCRYPTION option).
TEST(EncryptionNegotiation, AnswersEveryClientSettingAsSqlServerDoes) {
    using tds::EncryptionMode;
    using tds::EncryptionSetting;
    using tds::Protection;
    struct Case {
        EncryptionMode mode;
        std::optional<EncryptionSetting> client;
        EncryptionSetting answer;
        Protection protection;
    };
    const Case cases[] = {
        {EncryptionMode::Off, EncryptionSetting::Off, EncryptionSetting::NotSupported,
         Protection::None},
        {EncryptionMode::Off, EncryptionSetting::On, EncryptionSetting::NotSupported,
         Protection::None},
        {EncryptionMode::Off, EncryptionSetting::NotSupported, EncryptionSetting::NotSupported,
         Protection::None},
        {EncryptionMode::Off, EncryptionSetting::Required, EncryptionSetting::NotSupported,
         Protection::None},
        {EncryptionMode::Optional, EncryptionSetting::Off, EncryptionSetting::Off,
         Protection::LoginOnly},
        {EncryptionMode::Optional, std::nullopt, EncryptionSetting::Off, Protection::LoginOnly},
        {EncryptionMode::Optional, EncryptionSetting::On, EncryptionSetting::On,
         Protection::Everything},
        {EncryptionMode::Optional, EncryptionSetting::Required, EncryptionSetting::On,
         Protection::Everything},
        {EncryptionMode::Optional, EncryptionSetting::NotSupported, EncryptionSetting::NotSupported,
         Protection::None},
        {EncryptionMode::Force, EncryptionSetting::Off, EncryptionSetting::Required,
         Protection::Everything},
        {EncryptionMode::Force, std::nullopt, EncryptionSetting::Required, Protection::Everything},
        {EncryptionMode::Force, EncryptionSetting::On, EncryptionSetting::On,
         Protection::Everything},
        {EncryptionMode::Force, EncryptionSetting::NotSupported, EncryptionSetting::Required,
         Protection::Everything},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode) * 10 + (c.client ? static_cast<int>(*c.client) : 9));
        tds::EncryptionAgreement agreement = tds::negotiateEncryption(c.mode, c.client);
        EXPECT_EQ(agreement.answer, c.answer);
        EXPECT_EQ(agreement.protection, c.protection);
    }
}

TEST(SqlBatchDecoding, SkipsAllHeadersFrom72On) {
    EXPECT_EQ(tds::decodeSqlBatch(buildSqlBatch(u"SELECT 1\r\n", true), tds::TdsVersion::V7_4),
              u"SELECT 1\r\n");
    EXPECT_EQ(tds::decodeSqlBatch(buildSqlBatch(u"SELECT 1", false), tds::TdsVersion::V7_1),
              u"SELECT 1");
    Bytes lying = buildSqlBatch(u"x", true);
    lying[0] = 0xFF;
    EXPECT_THROW(tds::decodeSqlBatch(lying, tds::TdsVersion::V7_4), tds::ProtocolError);
    Bytes odd = buildSqlBatch(u"xy", true);
    odd.pop_back();
    EXPECT_THROW(tds::decodeSqlBatch(odd, tds::TdsVersion::V7_4), tds::ProtocolError);
}

TEST(LoginReplyEncoding, SendsTheDocumentedTokensInOrderForEachVersion) {
    for (std::uint32_t v : kAllVersions) {
        SCOPED_TRACE(v);
        bool wide = v >= 0x72000000;
        auto tokens = decodeReply(tds::encodeLoginAccepted({}, u"销售", 8192, version(v)), wide);
        ASSERT_EQ(tokens.size(), 8u);
        auto database = std::get<EnvChangeToken>(tokens[0]);
        EXPECT_EQ(database.type, 1);
        EXPECT_EQ(database.newText(), u"销售");
        auto changed = std::get<MessageToken>(tokens[1]);
        EXPECT_FALSE(changed.error);
        EXPECT_EQ(changed.number, 5701);
        EXPECT_EQ(changed.text, u"Changed database context to '销售'.");
        auto collation = std::get<EnvChangeToken>(tokens[2]);
        EXPECT_EQ(collation.type, 7);
        EXPECT_EQ(collation.newValue, (Bytes{0x09, 0x04, 0xD0, 0x00, 0x34}));
        auto language = std::get<EnvChangeToken>(tokens[3]);
        EXPECT_EQ(language.type, 2);
        EXPECT_EQ(language.newText(), u"us_english");
        EXPECT_EQ(std::get<MessageToken>(tokens[4]).number, 5703);
        auto packetSize = std::get<EnvChangeToken>(tokens[5]);
        EXPECT_EQ(packetSize.type, 4);
        EXPECT_EQ(packetSize.newText(), u"8192");
        auto ack = std::get<LoginAckToken>(tokens[6]);
        EXPECT_EQ(ack.interface, 1);
        EXPECT_EQ(ack.tdsVersion, v);
        EXPECT_EQ(ack.programName, u"Microsoft SQL Server");
        auto done = std::get<DoneToken>(tokens[7]);
        EXPECT_EQ(done.token, 0xFD);
        EXPECT_EQ(done.status, 0);
    }
}

TEST(LoginReplyEncoding, RefusalIsAnErrorAndAnErrorDone) {
    ds::Message error{18456, 1, 14, u"Login failed for user 'bob'."};
    auto tokens = decodeReply(tds::encodeLoginRefused(error, tds::TdsVersion::V7_4));
    ASSERT_EQ(tokens.size(), 2u);
    auto message = std::get<MessageToken>(tokens[0]);
    EXPECT_TRUE(message.error);
    EXPECT_EQ(message.number, 18456);
    EXPECT_EQ(message.severity, 14);
    EXPECT_EQ(message.text, u"Login failed for user 'bob'.");
    EXPECT_EQ(std::get<DoneToken>(tokens[1]).status, 0x0002);
}

TEST(ReplyEncoding, MarksMoreOnEveryDoneButTheLast) {
    ds::Reply reply = {
        ds::RowSet{{ds::Column{u"n", ds::ColumnType::Int, 0, false}},
                   {{ds::Value{std::int64_t{1}}}, {ds::Value{std::int64_t{2}}}}},
        ds::Done{false, 2, 0xC1},
        ds::DatabaseChanged{u"shop", u"master"},
        ds::Message{5701, 1, 0, u"Changed database context to 'shop'."},
        ds::Done{},
        ds::Message{911, 1, 16, u"Database 'x' does not exist."},
        ds::Done{true, {}, 0},
    };
    auto tokens = decodeReply(tds::encodeReply(reply, tds::TdsVersion::V7_4));
    auto all = dones(tokens);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].status, 0x0001 | 0x0010);
    EXPECT_EQ(all[0].curCmd, 0xC1);
    EXPECT_EQ(all[0].rowCount, 2u);
    EXPECT_EQ(all[1].status, 0x0001);
    EXPECT_EQ(all[2].status, 0x0002);
    auto messages = tokensOf<MessageToken>(tokens);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_FALSE(messages[0].error);  // class 0: INFO
    EXPECT_TRUE(messages[1].error);   // class 16: ERROR
    auto changes = tokensOf<EnvChangeToken>(tokens);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].newText(), u"shop");
    EXPECT_EQ(changes[0].oldText(), u"master");
    EXPECT_TRUE(std::holds_alternative<DoneToken>(tokens.back()));
}

TEST(ReplyEncoding, EndsAReplyWithoutDoneWithOne) {
    auto empty = decodeReply(tds::encodeReply({}, tds::TdsVersion::V7_4));
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(std::get<DoneToken>(empty[0]).status, 0);

    ds::Reply trailingError = {ds::Done{}, ds::Message{50000, 1, 16, u"late"}};
    auto tokens = decodeReply(tds::encodeReply(trailingError, tds::TdsVersion::V7_4));
    auto all = dones(tokens);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].status, 0x0001);
    EXPECT_EQ(all[1].status, 0x0002);
}

TEST(ReplyEncoding, EncodesEachColumnTypeAndNulls) {
    using ds::ColumnType;
    using ds::Value;
    ds::RowSet rows{
        {ds::Column{u"i", ColumnType::Int, 0, false}, ds::Column{u"in", ColumnType::Int, 0, true},
         ds::Column{u"s", ColumnType::SmallInt, 0, false},
         ds::Column{u"b", ColumnType::BigInt, 0, false},
         ds::Column{u"name", ColumnType::NVarChar, 128, true},
         ds::Column{u"file", ColumnType::NChar, 10, false}},
        {{Value{std::int64_t{-5}}, Value{}, Value{std::int64_t{32000}},
          Value{std::int64_t{1} << 40}, Value{std::u16string(u"销售")},
          Value{std::u16string(u"a.mdf     ")}},
         {Value{std::int64_t{7}}, Value{std::int64_t{-1}}, Value{std::int64_t{-2}},
          Value{std::int64_t{-3}}, Value{}, Value{std::u16string(u"b.ldf     ")}}}};
    for (std::uint32_t v : kAllVersions) {
        SCOPED_TRACE(v);
        auto tokens = decodeReply(tds::encodeReply({rows, ds::Done{false, 2, 0xC1}}, version(v)),
                                  v >= 0x72000000);
        auto meta = tokensOf<ColMetadataToken>(tokens).at(0);
        ASSERT_EQ(meta.columns.size(), 6u);
        EXPECT_EQ(meta.columns[0].type, 0x38);
        EXPECT_EQ(meta.columns[1].type, 0x26);
        EXPECT_EQ(meta.columns[1].width, 4);
        EXPECT_EQ(meta.columns[2].type, 0x34);
        EXPECT_EQ(meta.columns[3].type, 0x7F);
        EXPECT_EQ(meta.columns[4].type, 0xE7);
        EXPECT_EQ(meta.columns[4].maxBytes, 256);
        EXPECT_TRUE(meta.columns[4].nullable);
        EXPECT_EQ(meta.columns[5].type, 0xEF);
        EXPECT_EQ(meta.columns[5].maxBytes, 20);
        EXPECT_EQ(meta.columns[5].name, u"file");
        auto rowTokens = tokensOf<RowToken>(tokens);
        ASSERT_EQ(rowTokens.size(), 2u);
        const auto& first = rowTokens[0].cells;
        EXPECT_EQ(std::get<std::int64_t>(*first[0]), -5);
        EXPECT_FALSE(first[1].has_value());
        EXPECT_EQ(std::get<std::int64_t>(*first[2]), 32000);
        EXPECT_EQ(std::get<std::int64_t>(*first[3]), std::int64_t{1} << 40);
        EXPECT_EQ(std::get<std::u16string>(*first[4]), u"销售");
        EXPECT_EQ(std::get<std::u16string>(*first[5]), u"a.mdf     ");
        EXPECT_FALSE(rowTokens[1].cells[4].has_value());
        EXPECT_EQ(std::get<std::int64_t>(*rowTokens[1].cells[3]), -3);
    }
}

TEST(ReplyEncoding, KeepsTheWireValidWhateverTheValues) {
    using ds::ColumnType;
    using ds::Value;
    // A value longer than its declared column widens the column; a NULL in a column declared
    // NOT NULL makes it nullable; a text in an integer column is refused outright.
    ds::RowSet rows{{ds::Column{u"short", ColumnType::NVarChar, 2, true},
                     ds::Column{u"n", ColumnType::Int, 0, false}},
                    {{Value{std::u16string(u"longer than two")}, Value{}}}};
    auto tokens = decodeReply(tds::encodeReply({rows, ds::Done{}}, tds::TdsVersion::V7_4));
    auto meta = tokensOf<ColMetadataToken>(tokens).at(0);
    EXPECT_EQ(meta.columns[0].maxBytes, 30);
    EXPECT_EQ(meta.columns[1].type, 0x26);
    EXPECT_EQ(std::get<std::u16string>(*tokensOf<RowToken>(tokens).at(0).cells[0]),
              u"longer than two");

    ds::RowSet wrong{{ds::Column{u"n", ColumnType::Int, 0, false}},
                     {{Value{std::u16string(u"text")}}}};
    EXPECT_THROW(tds::encodeReply({wrong}, tds::TdsVersion::V7_4), std::logic_error);
}

TEST(ReplyEncoding, AcknowledgesAttentionAndIgnoredRequests) {
    for (std::uint32_t v : {0x71000001u, 0x74000004u}) {
        auto attention = decodeReply(tds::encodeAttentionAck(version(v)), v >= 0x72000000);
        ASSERT_EQ(attention.size(), 1u);
        EXPECT_EQ(std::get<DoneToken>(attention[0]).status, 0x0020);
        auto ignored = decodeReply(tds::encodeIgnoredAck(version(v)), v >= 0x72000000);
        ASSERT_EQ(ignored.size(), 1u);
        EXPECT_EQ(std::get<DoneToken>(ignored[0]).status, 0x0002);
    }
}

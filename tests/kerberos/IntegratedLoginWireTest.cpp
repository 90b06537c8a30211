// The server's side of the GSS-API exchange of a Windows login, with tokens this test makes
// itself: the ones real clients send, the ones they never would, and the ones an attacker
// would replay.

#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "RealmFixture.h"
#include "devserver/tds/RawTdsClient.h"
#include "devserver/tds/ReplyTokens.h"
#include "support/GssInitiator.h"

using namespace tdstest;

namespace {

constexpr std::uint8_t kSspiMessage = 0x11;
constexpr std::uint8_t kSqlBatch = 0x01;
constexpr std::uint16_t kDoneError = 0x0002;

LoginFields integratedLogin(Bytes token) {
    LoginFields fields;
    fields.user.clear();
    fields.integratedSecurity = true;
    fields.sspi = std::move(token);
    return fields;
}

std::vector<Bytes> sspiTokens(const std::vector<Token>& tokens) {
    std::vector<Bytes> found;
    for (const SspiToken& sspi : tokensOf<SspiToken>(tokens)) {
        found.push_back(sspi.data);
    }
    return found;
}

bool accepted(const std::vector<Token>& tokens) {
    return tokensOf<LoginAckToken>(tokens).size() == 1 &&
           tokensOf<MessageToken>(tokens).size() == 2;  // 5701, 5703: no error
}

// The one error of a refused login, after which the server closes the connection.
MessageToken refusal(RawTdsClient& client, const std::vector<Token>& tokens) {
    const auto errors = tokensOf<MessageToken>(tokens);
    EXPECT_EQ(errors.size(), 1U);
    EXPECT_TRUE(tokensOf<LoginAckToken>(tokens).empty());
    EXPECT_EQ(std::get<DoneToken>(tokens.back()).status, kDoneError);
    EXPECT_TRUE(client.closedByServer());
    return errors.empty() ? MessageToken{} : errors[0];
}

std::u16string loginNameOfSession(RawTdsClient& client) {
    client.sendMessage(kSqlBatch, buildSqlBatch(u"SELECT SUSER_SNAME()"));
    const auto rows = tokensOf<RowToken>(decodeReply(client.readMessage()));
    if (rows.size() != 1 || !rows[0].cells.at(0)) {
        return u"(no row)";
    }
    return std::get<std::u16string>(*rows[0].cells[0]);
}

struct IntegratedLoginOnTheWire : RealmFixture {
    std::string spn() const { return servicePrincipalFor(server->port()); }
};

}  // namespace

// FreeTDS sends a raw Kerberos token, Windows clients wrap it in SPNEGO: one round trip
// either way, the server's AP-REP riding in the login reply before LOGINACK.
TEST_F(IntegratedLoginOnTheWire, AcceptsRawKerberosAndSpnegoInOneRoundTrip) {
    for (auto style : {GssInitiator::Style::Kerberos, GssInitiator::Style::Spnego}) {
        SCOPED_TRACE(style == GssInitiator::Style::Kerberos ? "Kerberos" : "SPNEGO");
        GssInitiator client(spn(), style);
        RawTdsClient connection(server->port());
        const auto reply = decodeReply(connection.logIn(integratedLogin(client.firstToken())));
        ASSERT_TRUE(accepted(reply));
        const auto serverTokens = sspiTokens(reply);
        ASSERT_EQ(serverTokens.size(), 1U);
        ASSERT_TRUE(std::holds_alternative<SspiToken>(reply.front()));
        EXPECT_TRUE(client.answer(serverTokens[0]).empty());
        EXPECT_TRUE(client.complete()) << "the server did not prove that it holds the key";
        EXPECT_EQ(loginNameOfSession(connection), u"DBTOOL.TEST\\alice");
    }
    const auto batches = server->readLog();
    ASSERT_EQ(batches.size(), 2U);
    for (const auto& batch : batches) {
        EXPECT_EQ(batch.login, "DBTOOL.TEST\\alice");
    }
}

// A context that needs another leg (here the DCE style of Windows RPC) goes on in SSPI
// messages; anything else in their place ends the connection.
TEST_F(IntegratedLoginOnTheWire, FurtherTokensTravelInSspiMessages) {
    GssInitiator client(spn(), GssInitiator::Style::KerberosDceStyle);
    RawTdsClient connection(server->port());
    const auto challenge = decodeReply(connection.logIn(integratedLogin(client.firstToken())));
    ASSERT_EQ(challenge.size(), 1U) << "an unfinished exchange is answered by its token alone";
    const Bytes next = client.answer(std::get<SspiToken>(challenge[0]).data);
    ASSERT_FALSE(next.empty());
    connection.sendMessage(kSspiMessage, next);
    ASSERT_TRUE(accepted(decodeReply(connection.readMessage())));
    EXPECT_EQ(loginNameOfSession(connection), u"DBTOOL.TEST\\alice");

    GssInitiator impatient(spn(), GssInitiator::Style::KerberosDceStyle);
    RawTdsClient other(server->port());
    other.logIn(integratedLogin(impatient.firstToken()));
    other.sendMessage(kSqlBatch, buildSqlBatch(u"SELECT 1"));
    EXPECT_TRUE(other.closedByServer());
}

// Broken, foreign, replayed or unmapped tokens are refused as SQL Server refuses them, each
// costing only its own connection.
TEST_F(IntegratedLoginOnTheWire, RefusesWhatItCannotTrustAndServesOthersMeanwhile) {
    GssInitiator alice(spn(), GssInitiator::Style::Kerberos);
    const Bytes token = alice.firstToken();
    RawTdsClient first(server->port());
    ASSERT_TRUE(accepted(decodeReply(first.logIn(integratedLogin(token)))));

    const Bytes garbage(300, 0x42);
    const Bytes truncated(token.begin(), token.begin() + static_cast<long>(token.size() / 2));
    const std::array<std::pair<const char*, Bytes>, 4> untrusted = {
        {{"replayed", token}, {"garbage", garbage}, {"truncated", truncated}, {"empty", {}}}};
    for (const auto& [what, bad] : untrusted) {
        SCOPED_TRACE(what);
        RawTdsClient connection(server->port());
        const MessageToken error =
            refusal(connection, decodeReply(connection.logIn(integratedLogin(bad))));
        EXPECT_EQ(error.number, 18452);
        EXPECT_EQ(error.text,
                  u"Login failed. The login is from an untrusted domain and cannot be used with "
                  u"Integrated authentication.");
    }
    // A token said to be longer than the LOGIN7 carrying it is no TDS at all: no answer.
    RawTdsClient lying(server->port());
    Bytes login = buildLogin7(integratedLogin(Bytes(64, 0x60)));
    login[80] = 0xFF;
    lying.sendMessage(0x12, buildPreLogin());
    lying.readMessage();
    lying.sendMessage(0x10, login);
    EXPECT_TRUE(lying.closedByServer());

    realm->logIn(kBob);
    GssInitiator bob(spn(), GssInitiator::Style::Kerberos);
    RawTdsClient unmapped(server->port());
    const MessageToken error =
        refusal(unmapped, decodeReply(unmapped.logIn(integratedLogin(bob.firstToken()))));
    EXPECT_EQ(error.number, 18456);
    EXPECT_EQ(error.text, u"Login failed for user 'DBTOOL.TEST\\bob'.");

    EXPECT_EQ(loginNameOfSession(first), u"DBTOOL.TEST\\alice");
    EXPECT_NE(server->serverErrors().find("integrated login refused"), std::string::npos);
}

// The acceptor allows KerberosRealm::kClockSkew of difference between clocks, no more.
TEST_F(IntegratedLoginOnTheWire, ATokenFromATicketThatHasSinceExpiredIsRefused) {
    realm->logIn(kAlice, std::chrono::seconds(1));
    GssInitiator client(spn(), GssInitiator::Style::Kerberos);
    const Bytes token = client.firstToken();
    std::this_thread::sleep_for(std::chrono::seconds(1) + KerberosRealm::kClockSkew +
                                std::chrono::milliseconds(500));
    RawTdsClient connection(server->port());
    EXPECT_EQ(refusal(connection, decodeReply(connection.logIn(integratedLogin(token)))).number,
              18452);
}

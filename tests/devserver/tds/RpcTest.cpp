// Remote procedure calls: sp_executesql with and without parameters, the procedures batches
// reach through EXEC, an unknown procedure and malformed requests, through the raw
// protocol client and through FreeTDS's own parameter binding.

#include <gtest/gtest.h>

#include <algorithm>

#include "OdbcSession.h"
#include "RawTdsClient.h"
#include "ReplyTokens.h"
#include "support/DevServerProcess.h"

using namespace tdstest;
using Type = RpcParameter::Type;

namespace {

constexpr const char* kPassword = "Rpc#Pass1";

RpcParameter text(std::u16string value, std::u16string name = {}) {
    return {std::move(name), Type::NVarChar, std::move(value), std::nullopt};
}
RpcParameter number(std::int64_t value, std::u16string name = {}, Type type = Type::Int) {
    return {std::move(name), type, std::nullopt, value};
}

class Rpc : public ::testing::Test {
  protected:
    Rpc() : server(DevServerProcess::Options{kPassword}), client(server.port()) {
        LoginFields fields;
        fields.password = u"Rpc#Pass1";
        client.logIn(fields);
    }

    std::vector<Token> call(std::u16string_view procedure, const std::vector<RpcParameter>& params,
                            std::uint16_t procId = 0) {
        client.sendMessage(0x03, buildRpc(procedure, params, procId));
        return decodeReply(client.readMessage());
    }
    std::vector<Token> batch(std::u16string_view sql) {
        client.sendMessage(0x01, buildSqlBatch(sql));
        return decodeReply(client.readMessage());
    }

    static std::vector<Cell> onlyRow(const std::vector<Token>& tokens) {
        auto rows = tokensOf<RowToken>(tokens);
        EXPECT_EQ(rows.size(), 1u);
        return rows.empty() ? std::vector<Cell>{} : rows[0].cells;
    }
    static std::vector<std::int32_t> errorNumbers(const std::vector<Token>& tokens) {
        std::vector<std::int32_t> numbers;
        for (const auto& message : tokensOf<MessageToken>(tokens)) {
            if (message.error) {
                numbers.push_back(message.number);
            }
        }
        return numbers;
    }

    DevServerProcess server;
    RawTdsClient client;
};

}  // namespace

TEST_F(Rpc, ExecuteSqlWithoutParametersAnswersAsAProcedure) {
    auto tokens = call(u"sp_executesql", {text(u"SELECT @@SPID AS spid")});
    EXPECT_EQ(tokensOf<RowToken>(tokens).size(), 1u);
    // Statement DONEs become DONEINPROC with MORE; then the return status and DONEPROC.
    auto dones = tokensOf<DoneToken>(tokens);
    ASSERT_EQ(dones.size(), 2u);
    EXPECT_EQ(dones[0].token, 0xFF);
    EXPECT_EQ(dones[0].status & 0x0011, 0x0011);  // MORE, COUNT
    EXPECT_EQ(dones[0].rowCount, 1u);
    EXPECT_EQ(dones[1].token, 0xFE);
    EXPECT_EQ(dones[1].status, 0);
    ASSERT_EQ(tokensOf<ReturnStatusToken>(tokens).size(), 1u);
    EXPECT_EQ(tokensOf<ReturnStatusToken>(tokens)[0].value, 0);
    EXPECT_TRUE(std::holds_alternative<DoneToken>(tokens.back()));

    auto log = server.readLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rpc, "sp_executesql");
    EXPECT_EQ(log[0].arguments, "N'SELECT @@SPID AS spid'");
    EXPECT_EQ(log[0].sql, "");
}

TEST_F(Rpc, ExecuteSqlBindsTypedParametersByPositionAndByName) {
    auto row = onlyRow(call(
        u"sp_executesql",
        {text(u"SELECT @a + 1 AS a, @b AS b, @c AS c, @d AS d, @e AS e"),
         text(u"@a int, @b bigint, @c nvarchar(10), @d varchar(10), @e nvarchar(5)"), number(41),
         number(5000000000, u"@b", Type::BigInt),
         RpcParameter{u"@d", Type::VarChar, u"caf\u00E9 \u0080", std::nullopt},  // Windows-1252
         text(u"文字", u"@c"), RpcParameter{u"@e", Type::NVarChar, std::nullopt, std::nullopt}}));
    ASSERT_EQ(row.size(), 5u);
    EXPECT_EQ(std::get<std::int64_t>(*row[0]), 42);
    EXPECT_EQ(std::get<std::int64_t>(*row[1]), 5000000000);
    EXPECT_EQ(std::get<std::u16string>(*row[2]), u"文字");
    EXPECT_EQ(std::get<std::u16string>(*row[3]), u"caf\u00E9 \u20AC");
    EXPECT_FALSE(row[4].has_value());

    // By number (ProcID 10), the statement as NTEXT as FreeTDS sends it, a default value.
    row = onlyRow(call(
        u"",
        {RpcParameter{u"", Type::NText, u"SELECT @x * 2 AS x, @y AS y", {}},
         RpcParameter{u"", Type::NText, u"@x int, @y nvarchar(3) = N'def'", {}}, number(21, u"@x")},
        10));
    ASSERT_EQ(row.size(), 2u);
    EXPECT_EQ(std::get<std::int64_t>(*row[0]), 42);
    EXPECT_EQ(std::get<std::u16string>(*row[1]), u"def");
    // By number with the parameters named as SQL Server names them on the wire.
    const auto named = call(
        u"",
        {text(u"SELECT @x AS x", u"@statement"), text(u"@x int", u"@params"), number(7, u"@x")},
        10);
    EXPECT_TRUE(errorNumbers(named).empty());
    row = onlyRow(named);
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(std::get<std::int64_t>(*row[0]), 7);

    // The statement runs as a batch does: statements that change the instance, one DONEINPROC
    // each, errors with SQL Server's numbers.
    auto tokens = call(u"sp_executesql", {text(u"CREATE DATABASE Made USE master")});
    EXPECT_TRUE(errorNumbers(tokens).empty());
    EXPECT_EQ(tokensOf<DoneToken>(tokens).size(), 3u);
    EXPECT_EQ(onlyRow(batch(u"SELECT name FROM sysdatabases WHERE name = 'Made'")).size(), 1u);
}

TEST_F(Rpc, ExecuteSqlRefusesWhatSqlServerRefuses) {
    struct Case {
        std::vector<RpcParameter> params;
        std::int32_t number;
    };
    const std::vector<Case> cases = {
        {{}, 201},                                                             // no statement
        {{RpcParameter{u"", Type::VarChar, u"SELECT 1", std::nullopt}}, 214},  // not Unicode
        {{text(u"SELECT @a"), text(u"@a int")}, 8178},                         // not supplied
        {{text(u"SELECT @a"), text(u"@a int"), number(1), number(2)}, 8144},   // too many
        {{text(u"SELECT @a"), text(u"@a int"), number(1, u"@zz")}, 8145},      // no such name
        {{text(u"SELECT @a"), text(u"@a int"), text(u"x")}, 245},              // conversion
        {{text(u"SELECT @b")}, 137},                                           // undeclared
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        auto tokens = call(u"sp_executesql", c.params);
        EXPECT_EQ(errorNumbers(tokens), std::vector<std::int32_t>{c.number});
        auto status = tokensOf<ReturnStatusToken>(tokens);
        ASSERT_EQ(status.size(), 1u);
        EXPECT_NE(status[0].value, 0);
        EXPECT_EQ(std::get<DoneToken>(tokens.back()).token, 0xFE);
    }
    EXPECT_EQ(onlyRow(batch(u"SELECT @@SPID")).size(), 1u);
}

TEST_F(Rpc, AttachAndDetachByNameAndAnUnknownProcedure) {
    batch(u"CREATE DATABASE Shop");
    std::u16string data = u"Shop.mdf";
    std::u16string log = u"Shop_log.ldf";
    auto tokens = call(u"sp_detach_db", {text(u"Shop")});
    EXPECT_TRUE(errorNumbers(tokens).empty());
    EXPECT_EQ(tokensOf<ReturnStatusToken>(tokens).at(0).value, 0);
    EXPECT_TRUE(
        tokensOf<RowToken>(batch(u"SELECT name FROM sysdatabases WHERE name = 'Shop'")).empty());

    tokens = call(u"master.dbo.[sp_attach_db]", {text(u"Shop"), text(data), text(log)});
    EXPECT_TRUE(errorNumbers(tokens).empty());
    EXPECT_EQ(
        tokensOf<RowToken>(batch(u"SELECT name FROM sysdatabases WHERE name = 'Shop'")).size(), 1u);
    // The procedure's own refusals keep SQL Server's numbers.
    EXPECT_EQ(errorNumbers(call(u"sp_detach_db", {text(u"Nowhere")})),
              std::vector<std::int32_t>{15010});

    tokens = call(u"sp_no_such_thing", {number(1)});
    auto errors = tokensOf<MessageToken>(tokens);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].number, 2812);
    EXPECT_EQ(errors[0].severity, 16);
    EXPECT_EQ(errors[0].text, u"Could not find stored procedure 'sp_no_such_thing'.");
    EXPECT_TRUE(tokensOf<ReturnStatusToken>(tokens).empty());
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(std::get<DoneToken>(tokens[1]).token, 0xFE);
    EXPECT_EQ(std::get<DoneToken>(tokens[1]).status, 0x0002);
    // By number, a procedure of the protocol the server does not have.
    EXPECT_EQ(errorNumbers(call(u"", {}, 13)), std::vector<std::int32_t>{2812});

    auto logged = server.readLog();
    ASSERT_GE(logged.size(), 3u);
    EXPECT_EQ(logged[1].rpc, "sp_detach_db");
    EXPECT_EQ(logged[1].arguments, "N'Shop'");
    EXPECT_EQ(logged[0].sql, "CREATE DATABASE Shop");  // batches keep their own lines
}

TEST_F(Rpc, SeveralCallsInOneRequestAndUnmodelledTypes) {
    Bytes request = buildRpc(u"sp_executesql", {text(u"SELECT 1 AS one")});
    Bytes second = buildRpc(u"sp_executesql", {text(u"SELECT 2 AS two")});
    request.push_back(0xFF);  // the batch flag between calls
    request.insert(request.end(), second.begin() + 22, second.end());  // without ALL_HEADERS
    client.sendMessage(0x03, request);
    auto tokens = decodeReply(client.readMessage());
    auto procedures = tokensOf<DoneToken>(tokens);
    procedures.erase(std::remove_if(procedures.begin(), procedures.end(),
                                    [](const DoneToken& d) { return d.token != 0xFE; }),
                     procedures.end());
    ASSERT_EQ(procedures.size(), 2u);
    EXPECT_EQ(procedures[0].status, 0x0001);
    EXPECT_EQ(procedures[1].status, 0x0000);
    EXPECT_EQ(tokensOf<RowToken>(tokens).size(), 2u);

    // A well-formed parameter of a type not modelled (FLT8) is refused, not fatal.
    Bytes floatCall = buildRpc(u"sp_executesql", {text(u"SELECT 1")});
    floatCall.insert(floatCall.end(), {0, 0, 0x6D, 8, 8, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
    client.sendMessage(0x03, floatCall);
    auto refused = tokensOf<MessageToken>(decodeReply(client.readMessage()));
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_NE(refused[0].text.find(u"does not model parameters of type 0x6D"),
              std::u16string::npos);
    EXPECT_EQ(onlyRow(batch(u"SELECT @@SPID")).size(), 1u);
}

TEST_F(Rpc, AMalformedRequestClosesOnlyItsConnection) {
    Bytes good = buildRpc(u"sp_executesql", {text(u"SELECT 1"), number(7)});
    std::vector<Bytes> malformed = {
        Bytes(good.begin(), good.begin() + 22),  // ALL_HEADERS and nothing else
        Bytes(good.begin(), good.end() - 2),     // the last value cut short
        Bytes(good.begin(), good.begin() + 30),  // inside the procedure name
    };
    Bytes lyingName = good;
    lyingName[22] = 0xF0;  // a name far longer than the message
    malformed.push_back(lyingName);
    Bytes oddText = buildRpc(u"sp_executesql", {text(u"SELECT 1")});
    oddText[oddText.size() - 18] = 15;  // an odd byte count for UTF-16
    malformed.push_back(oddText);
    Bytes wideInt = good;
    wideInt[wideInt.size() - 6] = 3;  // INTN of width 3
    malformed.push_back(wideInt);

    for (std::size_t i = 0; i < malformed.size(); ++i) {
        SCOPED_TRACE(i);
        RawTdsClient victim(server.port());
        LoginFields fields;
        fields.password = u"Rpc#Pass1";
        victim.logIn(fields);
        victim.sendMessage(0x03, malformed[i]);
        EXPECT_TRUE(victim.closedByServer());
    }
    EXPECT_EQ(onlyRow(batch(u"SELECT @@SPID")).size(), 1u);
}

// FreeTDS turns a statement with bound parameters into sp_executesql.
TEST(RpcThroughFreeTds, BoundParametersReachTheStatement) {
    DevServerProcess server(DevServerProcess::Options{kPassword});
    OdbcSession session(server.odbcConnectionString("master", "7.4", "require"));
    SQLINTEGER a = 41;
    SQLBIGINT b = 5000000000LL;
    SQLWCHAR c[] = {0x6587, 0x5B57, 0};
    char d[] = "plain";
    SQLLEN aLength = 0;
    SQLLEN bLength = 0;
    SQLLEN cLength = SQL_NTS;
    SQLLEN dLength = SQL_NTS;
    SQLHSTMT statement = session.statement();
    SQLBindParameter(statement, 1, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &a, 0, &aLength);
    SQLBindParameter(statement, 2, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &b, 0,
                     &bLength);
    SQLBindParameter(statement, 3, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 20, 0, c, 0,
                     &cLength);
    SQLBindParameter(statement, 4, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 20, 0, d, 0, &dLength);
    ASSERT_TRUE(SQL_SUCCEEDED(session.execute("SELECT ? + 1 AS a, ? AS b, ? AS c, ? AS d")))
        << session.statementDiagnostics().at(0).text;
    ResultSet result = session.fetchAll();
    ASSERT_EQ(result.rows.size(), 1u);
    EXPECT_EQ(result.rows[0][0], "42");
    EXPECT_EQ(result.rows[0][1], "5000000000");
    EXPECT_EQ(result.rows[0][2], "文字");
    EXPECT_EQ(result.rows[0][3], "plain");
    SQLFreeStmt(statement, SQL_CLOSE);
    SQLFreeStmt(statement, SQL_RESET_PARAMS);

    auto log = server.readLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().rpc, "sp_executesql");
    EXPECT_NE(log.back().arguments.find("N'SELECT @P1 + 1 AS a, @P2 AS b, @P3 AS c, @P4 AS d'"),
              std::string::npos)
        << log.back().arguments;
    // Batches without parameters still arrive as batches.
    EXPECT_EQ(session.scalar("SELECT @@SPID").empty(), false);
    EXPECT_EQ(server.readLog().back().sql, "SELECT @@SPID");
}

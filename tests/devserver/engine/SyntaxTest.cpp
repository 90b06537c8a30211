#include "EngineFixture.h"

using namespace devserver;

using Rows = std::vector<std::vector<std::u16string>>;

TEST_F(EngineTest, KeywordsBlanksCommentsAndQuotingFollowTsql) {
    const int spid = login();
    ok(spid, u"create\r\n\tdatabase /* a /* nested */ comment */ [a]]b] -- trailing\r\n;;");
    ok(spid, u"CrEaTe DaTaBaSe \"quoted name\"");
    EXPECT_EQ(databaseNames(spid), (std::vector<std::u16string>{u"a]b", u"quoted name"}));
    EXPECT_EQ(table(ok(spid, u"select 'it''s', N'中文', 1 + 2, 'a' + 'b'")),
              (Rows{{u"it's", u"中文", u"3", u"ab"}}));
}

TEST_F(EngineTest, SyntaxErrorRejectsTheWholeBatchBeforeAnyOfItRuns) {
    const int spid = login();
    const Reply unclosed = run(spid, u"CREATE DATABASE A; SELECT 'oops");
    EXPECT_EQ(errors(unclosed), (std::vector<int>{105, 102}));
    EXPECT_EQ(std::get<Message>(unclosed[0]).severity, 15);
    const Reply keyword = run(spid, u"CREATE DATABASE A SELECT FROM");
    EXPECT_EQ(errors(keyword), std::vector<int>{156});
    EXPECT_EQ(std::get<Message>(keyword[0]).text, u"Incorrect syntax near the keyword 'FROM'.");
    EXPECT_EQ(errors(run(spid, u"CREATE DATABASE A DROP DATABASE")), std::vector<int>{156});
    EXPECT_EQ(errors(run(spid, u"CREATE DATABASE A DROP DATABASE ,")), std::vector<int>{102});
    EXPECT_EQ(errors(run(spid, u"ALTER DATABASE my db SET RECOVERY SIMPLE WITH NO_WAIT ")),
              std::vector<int>{102});
    EXPECT_TRUE(databaseNames(spid).empty());
}

TEST_F(EngineTest, StatementsOutsideTheModelAreNamedInAClass16Error) {
    const int spid = login();
    const Reply reply = run(spid, u"CREATE DATABASE A; UPDATE t SET a = 1; CREATE DATABASE B");
    ASSERT_EQ(errors(reply), std::vector<int>{50000});
    const Message& message = std::get<Message>(reply[1]);
    EXPECT_EQ(message.severity, 16);
    EXPECT_EQ(message.text,
              u"The development server does not model this statement: UPDATE t SET a");
    EXPECT_EQ(databaseNames(spid), std::vector<std::u16string>{u"A"});
    EXPECT_EQ(errors(run(spid, u"EXEC sp_who")), std::vector<int>{50000});
    EXPECT_EQ(errors(run(spid, u"BACKUP CERTIFICATE A TO FILE = 'x'")), std::vector<int>{50000});
    EXPECT_EQ(errors(run(spid, u"SELECT name FROM sysdatabases GROUP BY name")),
              std::vector<int>{50000});
}

// As on SQL Server: a runtime error such as 3701 ends its statement and the batch goes on;
// an object that does not resolve ends the batch, or only the EXEC whose dynamic SQL names
// it; a conversion error ends the batch even from inside EXEC.
TEST_F(EngineTest, AnErrorEndsItsStatementTheScopeOrTheBatchAsSqlServerDecides) {
    const int spid = login();
    const Reply reply = run(spid, u"CREATE DATABASE A DROP DATABASE Nope CREATE DATABASE B");
    ASSERT_EQ(reply.size(), 4u);
    EXPECT_FALSE(std::get<Done>(reply[0]).error);
    EXPECT_EQ(std::get<Message>(reply[1]).number, 3701);
    EXPECT_TRUE(std::get<Done>(reply[2]).error);
    EXPECT_FALSE(std::get<Done>(reply[3]).error);
    EXPECT_EQ(databaseNames(spid), (std::vector<std::u16string>{u"A", u"B"}));

    EXPECT_EQ(errors(run(spid, u"SELECT a FROM Nope.dbo.t CREATE DATABASE C")),
              std::vector<int>{208});
    EXPECT_EQ(errors(run(spid, u"EXEC('SELECT a FROM Nope.dbo.t') CREATE DATABASE C")),
              std::vector<int>{208});
    EXPECT_EQ(errors(run(spid, u"EXEC('SELECT CONVERT(int, ''x'')') CREATE DATABASE D")),
              std::vector<int>{245});
    EXPECT_EQ(databaseNames(spid), (std::vector<std::u16string>{u"A", u"B", u"C"}));
}

TEST_F(EngineTest, SetOptionsAreAcceptedWithoutARowCount) {
    const int spid = login();
    const Reply reply = ok(
        spid,
        u"SET NOCOUNT ON SET TEXTSIZE 2147483647; set transaction isolation level read committed");
    ASSERT_EQ(reply.size(), 3u);
    for (const auto& item : reply) {
        EXPECT_FALSE(std::get<Done>(item).rowCount.has_value());
    }
    const Reply empty = ok(spid, u"  -- nothing\r\n");
    EXPECT_EQ(empty.size(), 1u);
}

TEST_F(EngineTest, VariablesCursorsAndDynamicSqlWorkTogether) {
    const int spid = login();
    ok(spid, u"CREATE DATABASE A");
    const Reply reply = ok(spid,
                           u"DECLARE @n int = 0, @s nvarchar(3) SET @s = 'abcdef' "
                           u"WHILE @n < 3 BEGIN SET @n = @n + 1 END "
                           u"IF @n = 3 EXEC('SELECT ' + 'db_id(''A''), @@SPID') ELSE PRINT 'no' "
                           u"SELECT @s");
    EXPECT_EQ(table(reply), (Rows{{u"5", std::u16string(u"51")}}));
    EXPECT_EQ(rows(reply, 1).rows[0][0], Value(std::u16string(u"abc")));
    EXPECT_EQ(errors(run(spid, u"SELECT @undeclared")), std::vector<int>{137});
    EXPECT_EQ(errors(run(spid, u"FETCH c")), std::vector<int>{16916});
    EXPECT_EQ(errors(run(spid, u"DECLARE c CURSOR FOR SELECT 1 FETCH c")), std::vector<int>{16917});
}

#include "EngineFixture.h"

using namespace devserver;

using Rows = std::vector<std::vector<std::u16string>>;

TEST_F(EngineTest, TablesOfTextColumnsHoldWhatIsInserted) {
    const int spid = login();
    ok(spid, u"CREATE DATABASE Shop");
    ok(spid, u"USE Shop; CREATE TABLE t (a nvarchar(50), b nvarchar(50))");
    const Reply insert = ok(spid, u"INSERT INTO t VALUES (N'x', N'y'), ('它''s', NULL)");
    EXPECT_EQ(std::get<Done>(insert.back()).rowCount, 2u);
    ok(spid, u"INSERT t (b, a) VALUES ('second', 'first')");
    EXPECT_EQ(table(ok(spid, u"SELECT * FROM t")),
              (Rows{{u"x", u"y"}, {u"它's", u"NULL"}, {u"first", u"second"}}));
    EXPECT_EQ(table(ok(spid, u"USE master; SELECT b, a FROM Shop.dbo.t WHERE a = 'X'")),
              (Rows{{u"y", u"x"}}));
    EXPECT_EQ(std::get<Done>(ok(spid, u"SELECT a FROM Shop.dbo.t").back()).rowCount, 3u);
}

TEST_F(EngineTest, ContentStatementsFailAsTheServerDoes) {
    const int spid = login(u"master");
    ok(spid, u"CREATE TABLE t (a nvarchar(3) NOT NULL, n int)");
    EXPECT_EQ(errors(run(spid, u"INSERT INTO t VALUES ('abcd', 1)")), std::vector<int>{8152});
    EXPECT_EQ(errors(run(spid, u"INSERT INTO t VALUES ('abc')")), std::vector<int>{213});
    EXPECT_EQ(errors(run(spid, u"INSERT INTO t (n) VALUES (1)")), std::vector<int>{515});
    EXPECT_EQ(errors(run(spid, u"INSERT INTO t VALUES ('a', 'x')")), std::vector<int>{245});
    EXPECT_EQ(errors(run(spid, u"SELECT * FROM nothing")), std::vector<int>{208});
    EXPECT_EQ(errors(run(spid, u"SELECT c FROM t")), std::vector<int>{207});
    EXPECT_EQ(errors(run(spid, u"CREATE TABLE T (x int)")), std::vector<int>{2714});
    EXPECT_TRUE(table(ok(spid, u"SELECT * FROM t")).empty());
}

TEST_F(EngineTest, FixedWidthColumnsArePaddedWithBlanks) {
    const int spid = login();
    ok(spid, u"CREATE TABLE f (c nchar(5))");
    ok(spid, u"INSERT INTO f VALUES ('ab')");
    EXPECT_EQ(table(ok(spid, u"SELECT c FROM f")), (Rows{{u"ab   "}}));
    EXPECT_EQ(table(ok(spid, u"SELECT c FROM f WHERE c = 'ab'")).size(), 1u);
}

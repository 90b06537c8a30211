#include <random>

#include "EngineFixture.h"

using namespace devserver;

namespace {

const std::vector<std::u16string> kPieces = {u"SELECT",
                                             u"FROM",
                                             u"WHERE",
                                             u"sysdatabases",
                                             u"sysprocesses",
                                             u"A.dbo.sysfiles",
                                             u"NAME",
                                             u"dbid",
                                             u"*",
                                             u"(",
                                             u")",
                                             u",",
                                             u";",
                                             u"=",
                                             u"+",
                                             u"'x'",
                                             u"N'y'",
                                             u"'",
                                             u"[",
                                             u"]",
                                             u"[a]]b]",
                                             u"1",
                                             u"99999999999999999999",
                                             u"-",
                                             u"@v",
                                             u"@@spid",
                                             u"DECLARE",
                                             u"nvarchar(5)",
                                             u"int",
                                             u"CURSOR",
                                             u"FOR",
                                             u"OPEN",
                                             u"FETCH",
                                             u"INTO",
                                             u"CLOSE",
                                             u"DEALLOCATE",
                                             u"WHILE",
                                             u"@@fetch_status=0",
                                             u"BEGIN",
                                             u"END",
                                             u"IF",
                                             u"ELSE",
                                             u"EXEC",
                                             u"exec(",
                                             u"KILL",
                                             u"USE",
                                             u"A",
                                             u"B",
                                             u"master",
                                             u"CREATE",
                                             u"DATABASE",
                                             u"TABLE",
                                             u"t",
                                             u"(v nvarchar(5))",
                                             u"INSERT",
                                             u"VALUES",
                                             u"DROP",
                                             u"BACKUP",
                                             u"RESTORE",
                                             u"TO",
                                             u"DISK",
                                             u"DISK='h.bak'",
                                             u"WITH",
                                             u"FORMAT",
                                             u"REPLACE",
                                             u"MOVE",
                                             u"FILELISTONLY",
                                             u"ALTER",
                                             u"SET",
                                             u"RECOVERY",
                                             u"SIMPLE",
                                             u"FULL",
                                             u"MODIFY",
                                             u"FILE",
                                             u"NEWNAME",
                                             u"DBCC",
                                             u"SHRINKDATABASE",
                                             u"sp_attach_db",
                                             u"sp_detach_db",
                                             u"ORDER",
                                             u"BY",
                                             u"TOP",
                                             u"DISTINCT",
                                             u"NOT",
                                             u"IN",
                                             u"IS",
                                             u"NULL",
                                             u"AND",
                                             u"OR",
                                             u"/*",
                                             u"*/",
                                             u"--",
                                             u"\r\n",
                                             u"db_id(",
                                             u"DATABASEPROPERTYEX(",
                                             u"'Recovery'",
                                             u"\"",
                                             u"\0",
                                             u"\xD800"};

}  // namespace

TEST_F(EngineTest, RandomAndTruncatedStatementsNeverBreakTheInstance) {
    const int spid = login();
    ok(spid, u"CREATE DATABASE A CREATE TABLE A.dbo.t (v nvarchar(5))");
    const std::vector<std::u16string> valid = {
        std::u16string(kCatalogueQuery),
        evictionBatch(u"'A'"),
        u"SELECT TOP 2 FILEID,NAME,FILENAME FROM A.dbo.sysfiles ORDER BY FILEID ASC ",
        u"Restore Database A From disk='h.bak' WITH REPLACE, MOVE 'A' TO 'a1.mdf', MOVE 'A_log' TO "
        u"'a1.ldf'",
        u"alter database A modify file(name=A, newname=A_Data)",
        u"EXEC sp_attach_db 'C','c.mdf','c.ldf'",
        u"INSERT INTO A.dbo.t VALUES (N'x')"};
    std::mt19937 random(12345);
    for (int i = 0; i < 3000; ++i) {
        std::u16string sql;
        switch (i % 3) {
            case 0: {
                const int count = 1 + static_cast<int>(random() % 12);
                for (int k = 0; k < count; ++k) {
                    sql += kPieces[random() % kPieces.size()] + u" ";
                }
                break;
            }
            case 1: {
                const std::u16string& whole = valid[random() % valid.size()];
                sql = whole.substr(0, random() % (whole.size() + 1));
                break;
            }
            default:
                for (int k = static_cast<int>(random() % 40); k > 0; --k) {
                    sql += static_cast<char16_t>(random() % 0x3000);
                }
        }
        const Reply reply = run(spid, sql);
        ASSERT_TRUE(lastIsDone(reply)) << i;
        for (const auto& item : reply) {
            if (const auto* message = std::get_if<Message>(&item)) {
                ASSERT_NE(message->text.find(u"failed on this batch"), 0u);
            }
        }
    }
    // The instance and its data folder are still sound.
    ok(spid, u"USE master");
    restart();
    const int again = login();
    ok(again, kCatalogueQuery);
}

TEST_F(EngineTest, DeepNestingAndEndlessLoopsAreStopped) {
    const int spid = login();
    EXPECT_EQ(errors(run(spid, u"SELECT " + std::u16string(20000, u'(') + u"1")),
              std::vector<int>{191});
    EXPECT_EQ(errors(run(spid, u"WHILE 1=1 BEGIN PRINT 'x' END")), std::vector<int>{50000});
    std::u16string nested = u"SELECT 1";
    for (int i = 0; i < 40; ++i) {
        std::u16string doubled;
        for (const char16_t c : nested) {
            doubled += c;
            if (c == u'\'') {
                doubled += c;
            }
        }
        nested = u"EXEC('" + doubled + u"')";
        if (nested.size() > 200000) {
            break;
        }
    }
    const Reply deep = run(spid, nested);
    EXPECT_TRUE(lastIsDone(deep));
}

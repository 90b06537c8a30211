#include "EngineFixture.h"

#include "devserver/engine/Text.h"

using namespace devserver;

using Rows = std::vector<std::vector<std::u16string>>;

TEST_F(EngineTest, SystemDatabasesHaveFixedIdsAndAreLeftOutOfTheList) {
    const int spid = login();
    EXPECT_EQ(table(ok(spid, u"select name, dbid from master..sysdatabases order by dbid")),
              (Rows{{u"master", u"1"}, {u"tempdb", u"2"}, {u"model", u"3"}, {u"msdb", u"4"}}));
    EXPECT_TRUE(databaseNames(spid).empty());
}

TEST_F(EngineTest, NewDatabaseTakesLowestFreeIdAndListFollowsIds) {
    const int spid = login();
    ok(spid, u"CREATE DATABASE A; CREATE DATABASE B; CREATE DATABASE C");
    ok(spid, u"DROP DATABASE B");
    ok(spid, u"CREATE DATABASE D");
    EXPECT_EQ(table(ok(spid, u"SELECT dbid FROM SYSDATABASES WHERE NAME='D'")), (Rows{{u"6"}}));
    EXPECT_EQ(databaseNames(spid), (std::vector<std::u16string>{u"A", u"D", u"C"}));
}

TEST_F(EngineTest, CatalogueQueryLeavesOutSampleNamesOnly) {
    const int spid = login();
    ok(spid, u"CREATE DATABASE pubs CREATE DATABASE Northwind CREATE DATABASE Shop");
    EXPECT_EQ(databaseNames(spid), (std::vector<std::u16string>{u"Shop"}));
    const Reply reply = ok(spid, kCatalogueQuery);
    ASSERT_EQ(rows(reply).columns.size(), 1u);
    EXPECT_EQ(rows(reply).columns[0].name, u"name");  // as the select list writes it
    const Done& done = std::get<Done>(reply.back());
    EXPECT_EQ(done.rowCount, 1u);
    EXPECT_EQ(done.curCmd, 0xC1);
}

TEST_F(EngineTest, ExistenceQueryComparesNamesAsTheServerCollationDoes) {
    const int spid = login();
    ok(spid, u"CREATE DATABASE Shop CREATE DATABASE [销售'库]");
    auto exists = [&](const std::u16string& literal) {
        return table(ok(spid, u"SELECT TOP 1 dbid FROM SYSDATABASES WHERE NAME=" + literal)).size();
    };
    EXPECT_EQ(exists(u"'Shop'"), 1u);
    EXPECT_EQ(exists(u"'SHOP'"), 1u);
    EXPECT_EQ(exists(u"'Shop  '"), 1u);
    EXPECT_EQ(exists(u"'Sho'"), 0u);
    EXPECT_EQ(exists(u"N'销售''库'"), 1u);
    EXPECT_EQ(
        rows(ok(spid, u"SELECT TOP 1 dbid FROM SYSDATABASES WHERE NAME='Shop'")).columns[0].type,
        ColumnType::SmallInt);
}

TEST_F(EngineTest, SysfilesGivesFileNamesUnpadded) {
    const int spid = login();
    ok(spid, u"CREATE DATABASE [my db]");
    const Reply reply = ok(
        spid, u"SELECT TOP 2 FILEID,NAME,FILENAME FROM [my db].dbo.sysfiles ORDER BY FILEID ASC ");
    const RowSet& set = rows(reply);
    ASSERT_EQ(set.columns.size(), 3u);
    EXPECT_EQ(set.columns[2].name, u"FILENAME");
    EXPECT_EQ(set.columns[2].type, ColumnType::NVarChar);  // nvarchar(260), not padded
    EXPECT_EQ(set.columns[2].length, 260);
    const Rows values = table(reply);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0][0], u"1");
    EXPECT_EQ(values[0][1], u"my db");
    EXPECT_EQ(values[1][1], u"my db_log");
    EXPECT_EQ(values[0][2], u16path("data/my db.mdf"));
    EXPECT_EQ(values[1][2], u16path("data/my db_log.ldf"));
}

TEST_F(EngineTest, SysfilesOfMissingDatabaseIsAnInvalidObject) {
    const int spid = login();
    const Reply reply =
        run(spid, u"SELECT TOP 2 FILEID,NAME,FILENAME FROM Nope.dbo.sysfiles ORDER BY FILEID ASC ");
    EXPECT_EQ(errors(reply), std::vector<int>{208});
    EXPECT_NE(errorText(reply).find(u"Invalid object name 'Nope.dbo.sysfiles'."),
              std::u16string::npos);
    EXPECT_TRUE(std::get<Done>(reply.back()).error);
}

TEST_F(EngineTest, UseChangesTheSessionDatabase) {
    const int spid = login();
    ok(spid, u"CREATE DATABASE Shop");
    const Reply reply = ok(spid, u"use shop");
    ASSERT_EQ(reply.size(), 3u);
    const auto& changed = std::get<DatabaseChanged>(reply[0]);
    EXPECT_EQ(changed.newName, u"Shop");
    EXPECT_EQ(changed.oldName, u"master");
    EXPECT_EQ(std::get<Message>(reply[1]).number, 5701);
    EXPECT_EQ(std::get<Message>(reply[1]).text, u"Changed database context to 'Shop'.");
    EXPECT_EQ(table(ok(spid, u"select dbid from sysprocesses where spid = @@spid")),
              (Rows{{u"5"}}));
    EXPECT_EQ(errors(run(spid, u"USE Nope")), std::vector<int>{911});
    EXPECT_EQ(table(ok(spid, u"SELECT DB_NAME()")), (Rows{{u"Shop"}}));
}

TEST_F(EngineTest, SpidAndRecoveryPropertyAreAnswered) {
    const int spid = login();
    EXPECT_EQ(table(ok(spid, u"SELECT @@SPID")), (Rows{{text::number(spid)}}));
    ok(spid, u"CREATE DATABASE Shop");
    const std::u16string query = u"SELECT DATABASEPROPERTYEX(N'Shop','Recovery')";
    EXPECT_EQ(table(ok(spid, query)), (Rows{{u"FULL"}}));
    ok(spid, u"ALTER DATABASE Shop SET RECOVERY SIMPLE WITH NO_WAIT ");
    EXPECT_EQ(table(ok(spid, query)), (Rows{{u"SIMPLE"}}));
    EXPECT_EQ(table(ok(spid, u"SELECT DATABASEPROPERTYEX(N'Nope','Recovery')")), (Rows{{u"NULL"}}));
}

TEST_F(EngineTest, CleanUpStatementsRunAndShrinkAnswersRowsThenMessage) {
    const int spid = login();
    ok(spid, u"CREATE DATABASE [my db]");
    ok(spid, u"ALTER DATABASE [my db] SET RECOVERY SIMPLE WITH NO_WAIT ");
    ok(spid, u"ALTER DATABASE [my db] SET RECOVERY SIMPLE ");
    const Reply shrink = ok(spid, u"DBCC SHRINKDATABASE([my db]) ");
    ASSERT_EQ(shrink.size(), 3u);
    const RowSet& set = std::get<RowSet>(shrink[0]);
    std::vector<std::u16string> names;
    for (const Column& c : set.columns) {
        names.push_back(c.name);
    }
    EXPECT_EQ(names,
              (std::vector<std::u16string>{u"DbId", u"FileId", u"CurrentSize", u"MinimumSize",
                                           u"UsedPages", u"EstimatedPages"}));
    EXPECT_EQ(set.rows.size(), 2u);
    EXPECT_EQ(std::get<Message>(shrink[1]).number, 2528);
    ok(spid, u"ALTER DATABASE [my db] SET RECOVERY FULL WITH NO_WAIT ");
    ok(spid, u"ALTER DATABASE [my db] SET RECOVERY FULL ");
    EXPECT_EQ(table(ok(spid, u"SELECT DATABASEPROPERTYEX(N'my db','Recovery')")),
              (Rows{{u"FULL"}}));
    EXPECT_EQ(errors(run(spid, u"DBCC SHRINKDATABASE(Nope) ")), std::vector<int>{2520});
    EXPECT_EQ(errors(run(spid, u"ALTER DATABASE Nope SET RECOVERY SIMPLE ")),
              (std::vector<int>{5011, 5069}));
}

TEST_F(EngineTest, ModifyFileRenamesLogicalFilesWithTheServersChecks) {
    const int spid = login();
    ok(spid, u"CREATE DATABASE Shop");
    EXPECT_EQ(errors(run(spid, u"alter database Shop modify file(name=Other, newname=Shop_Data)")),
              std::vector<int>{5041});
    EXPECT_EQ(errors(run(spid, u"alter database Shop modify file(name=Shop, newname=Shop)")),
              std::vector<int>{1828});
    EXPECT_EQ(errors(run(spid, u"alter database Shop modify file(name=Shop, newname=shop_LOG)")),
              std::vector<int>{1828});
    const Reply renamed =
        ok(spid, u"alter database Shop modify file(name=[Shop], newname=N'Shop_Data')");
    EXPECT_EQ(infos(renamed), std::vector<int>{5021});
    EXPECT_EQ(std::get<Message>(renamed[0]).text, u"The file name 'Shop_Data' has been set.");
    EXPECT_EQ(table(ok(spid, u"SELECT NAME FROM Shop.dbo.sysfiles ORDER BY FILEID")),
              (Rows{{u"Shop_Data"}, {u"Shop_log"}}));
}

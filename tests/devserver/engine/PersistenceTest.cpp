#include <fstream>

#include "EngineFixture.h"

using namespace devserver;

using Rows = std::vector<std::vector<std::u16string>>;

TEST_F(EngineTest, RestartKeepsDatabasesFilesContentAndRecovery) {
    int spid = login();
    ok(spid, u"CREATE DATABASE A CREATE DATABASE B CREATE DATABASE [销售]");
    ok(spid, u"DROP DATABASE A");
    ok(spid, u"CREATE TABLE B.dbo.t (v nvarchar(10)) INSERT INTO B.dbo.t VALUES ('kept')");
    ok(spid, u"ALTER DATABASE [销售] SET RECOVERY SIMPLE");
    ok(spid, u"alter database B modify file(name=B, newname=B_Data)");
    const std::u16string bak = u16path("b.bak");
    ok(spid, u"BACKUP DATABASE B TO DISK='" + bak + u"'");
    const int other = login(u"B");
    ok(spid, u"CREATE DATABASE Gone EXEC sp_detach_db 'Gone'");

    restart();
    spid = login();
    EXPECT_EQ(spid, 51);  // sessions do not survive
    (void)other;
    EXPECT_EQ(table(ok(spid, u"SELECT name, dbid FROM sysdatabases WHERE dbid > 4 ORDER BY dbid")),
              (Rows{{u"B", u"6"}, {u"销售", u"7"}}));
    EXPECT_EQ(table(ok(spid, u"SELECT v FROM B.dbo.t")), (Rows{{u"kept"}}));
    EXPECT_EQ(table(ok(spid, u"SELECT DATABASEPROPERTYEX(N'销售','Recovery')")),
              (Rows{{u"SIMPLE"}}));
    EXPECT_EQ(table(ok(spid, u"SELECT NAME FROM B.dbo.sysfiles")), (Rows{{u"B_Data"}, {u"B_log"}}));
    // The log chain started by the backup survives too.
    EXPECT_EQ(errors(run(spid, u"RESTORE DATABASE B FROM DISK='" + bak + u"'")),
              (std::vector<int>{3159, 3013}));
}

TEST_F(EngineTest, DataFolderHoldsNoPartialFilesAfterWork) {
    const int spid = login();
    ok(spid, u"CREATE DATABASE A CREATE TABLE A.dbo.t (v int) INSERT INTO A.dbo.t VALUES (1)");
    ok(spid, u"BACKUP DATABASE A TO DISK='a.bak' WITH FORMAT");
    ok(spid, u"RESTORE DATABASE A FROM DISK='a.bak' WITH REPLACE");
    for (const auto& entry : std::filesystem::directory_iterator(path("data"))) {
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }
    EXPECT_TRUE(std::filesystem::exists(path("data/a.bak")));
}

TEST_F(EngineTest, DamagedCatalogueStopsTheInstanceRatherThanLosingIt) {
    instance_.reset();
    {
        std::ofstream catalog(path("data/catalog"), std::ios::trunc);
        catalog << "DEVSERVER CATALOG 1\ndatabase\t1\tmaster\n";
    }
    EXPECT_THROW(Instance(Instance::Options{dir_ / "data", u""}), std::runtime_error);
}

TEST_F(EngineTest, SeededDatabasesAreListedAndBehaveLikeOthers) {
    instance_->seedDatabases(300);
    const int spid = login();
    EXPECT_EQ(databaseNames(spid).size(), 300u);
    const std::u16string first = databaseNames(spid).front();
    ok(spid, u"BACKUP DATABASE " + first + u" TO DISK='seed.bak' WITH FORMAT");
    ok(spid, u"EXEC sp_detach_db '" + first + u"'");
    ok(spid, u"EXEC sp_attach_db 'Back','" +
                 u16path("data/" + std::string(first.begin(), first.end()) + ".mdf") + u"','" +
                 u16path("data/" + std::string(first.begin(), first.end()) + "_log.ldf") + u"'");
    instance_->seedDatabases(300);  // already there
    EXPECT_EQ(databaseNames(spid).size(), 300u);
    restart();
    EXPECT_EQ(databaseNames(login()).size(), 300u);
}

TEST_F(EngineTest, SeedingStopsAtTheDatabaseLimit) {
    instance_->seedDatabases(40000);
    const int spid = login();
    EXPECT_EQ(databaseNames(spid).size(), 32763u);
    EXPECT_EQ(errors(run(spid, u"CREATE DATABASE OneMore")), std::vector<int>{1835});
}

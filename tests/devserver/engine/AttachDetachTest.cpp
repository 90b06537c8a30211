#include <fstream>

#include "EngineFixture.h"

using namespace devserver;

using Rows = std::vector<std::vector<std::u16string>>;

class AttachDetachTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        spid = login();
        ok(spid, u"CREATE DATABASE Shop");
        ok(spid,
           u"CREATE TABLE Shop.dbo.t (v nvarchar(20)) INSERT INTO Shop.dbo.t VALUES (N'苹果')");
        mdf = u16path("data/Shop.mdf");
        ldf = u16path("data/Shop_log.ldf");
    }
    Reply attach(const std::u16string& name, const std::u16string& data,
                 const std::u16string& log) {
        return run(spid, u"EXEC sp_attach_db '" + name + u"','" + data + u"','" + log + u"'");
    }

    int spid = 0;
    std::u16string mdf;
    std::u16string ldf;
};

TEST_F(AttachDetachTest, DetachedFilesAttachAgainUnderAnotherName) {
    ok(spid, u"EXEC sp_detach_db 'Shop'");
    EXPECT_TRUE(databaseNames(spid).empty());
    EXPECT_TRUE(std::filesystem::exists(path("data/Shop.mdf")));
    // A path is taken as given: padded with blanks it names a file that does not exist.
    EXPECT_EQ(errors(run(spid, u"EXEC sp_attach_db 'Shop2','" + mdf + u"  ','" + ldf + u"'")),
              (std::vector<int>{5120, 1802}));
    ok(spid, u"EXEC sp_attach_db 'Shop2','" + mdf + u"','" + ldf + u"'");
    EXPECT_EQ(databaseNames(spid), std::vector<std::u16string>{u"Shop2"});
    EXPECT_EQ(table(ok(spid, u"SELECT v FROM Shop2.dbo.t")), (Rows{{u"苹果"}}));
    EXPECT_EQ(table(ok(spid, u"SELECT NAME FROM Shop2.dbo.sysfiles")),
              (Rows{{u"Shop"}, {u"Shop_log"}}));
}

TEST_F(AttachDetachTest, TheRecoveryModelTravelsWithTheFiles) {
    ok(spid, u"ALTER DATABASE Shop SET RECOVERY SIMPLE");
    ok(spid, u"EXEC sp_detach_db 'Shop'");
    ok(spid, u"EXEC sp_attach_db 'Shop','" + mdf + u"','" + ldf + u"'");
    EXPECT_EQ(table(ok(spid, u"SELECT DATABASEPROPERTYEX(N'Shop','Recovery')")),
              (Rows{{u"SIMPLE"}}));
    ok(spid, u"ALTER DATABASE Shop SET RECOVERY FULL");
    ok(spid, u"EXEC sp_detach_db 'Shop'");
    ok(spid, u"EXEC sp_attach_db 'Shop','" + mdf + u"','" + ldf + u"'");
    EXPECT_EQ(table(ok(spid, u"SELECT DATABASEPROPERTYEX(N'Shop','Recovery')")), (Rows{{u"FULL"}}));
}

TEST_F(AttachDetachTest, AttachChecksNameAndFiles) {
    EXPECT_EQ(errors(attach(u"Shop", mdf, ldf)), std::vector<int>{1801});
    const Reply inUse = attach(u"Copy", mdf, ldf);
    EXPECT_EQ(errors(inUse), (std::vector<int>{5120, 1802}));
    EXPECT_NE(errorText(inUse).find(u"Operating system error 32"), std::u16string::npos);
    ok(spid, u"EXEC sp_detach_db 'Shop'");
    const Reply missing = attach(u"Copy", u16path("data/none.mdf"), ldf);
    EXPECT_EQ(errors(missing), (std::vector<int>{5120, 1802}));
    EXPECT_NE(errorText(missing).find(
                  u"Operating system error 2: \"2(The system cannot find the file specified.)\""),
              std::u16string::npos);
    {
        std::ofstream junk(path("data/junk.mdf"));
        junk << "MZ not a database";
    }
    EXPECT_EQ(errors(attach(u"Copy", u16path("data/junk.mdf"), ldf)),
              (std::vector<int>{5172, 1802}));
    EXPECT_EQ(errors(attach(u"Copy", ldf, mdf)), (std::vector<int>{5171, 1802}));
    ok(spid, u"CREATE DATABASE Other");
    ok(spid, u"EXEC sp_detach_db Other");
    EXPECT_EQ(errors(attach(u"Copy", mdf, u16path("data/Other_log.ldf"))),
              (std::vector<int>{5173, 1802}));
    EXPECT_TRUE(databaseNames(spid).empty());
}

TEST_F(AttachDetachTest, DetachAndDropRefuseWhatTheyCannotDo) {
    EXPECT_EQ(errors(run(spid, u"EXEC sp_detach_db 'Nope'")), std::vector<int>{15010});
    EXPECT_EQ(errors(run(spid, u"EXEC sp_detach_db 'master'")), std::vector<int>{7940});
    const Reply dropMissing = run(spid, u"DROP DATABASE Nope");
    EXPECT_EQ(errors(dropMissing), std::vector<int>{3701});
    EXPECT_EQ(std::get<Message>(dropMissing[0]).severity, 11);
    EXPECT_EQ(errors(run(spid, u"DROP DATABASE msdb")), std::vector<int>{3708});
    const int user = login(u"Shop");
    EXPECT_EQ(errors(run(spid, u"EXEC sp_detach_db 'Shop'")), std::vector<int>{3703});
    EXPECT_EQ(errors(run(spid, u"DROP DATABASE Shop")), std::vector<int>{3702});
    EXPECT_EQ(errors(run(user, u"DROP DATABASE Shop")), std::vector<int>{3702});
    ok(user, u"USE master");
    ok(spid, u"DROP DATABASE Shop");
    EXPECT_FALSE(std::filesystem::exists(path("data/Shop.mdf")));
    EXPECT_FALSE(std::filesystem::exists(path("data/Shop_log.ldf")));
}

TEST_F(AttachDetachTest, CreateRefusesExistingNamesAndFiles) {
    EXPECT_EQ(errors(run(spid, u"CREATE DATABASE shop")), std::vector<int>{1801});
    ok(spid, u"EXEC sp_detach_db 'Shop'");
    EXPECT_EQ(errors(run(spid, u"CREATE DATABASE Shop")), (std::vector<int>{5170, 1802}));
}

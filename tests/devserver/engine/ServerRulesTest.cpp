// The rules a real server keeps where the tool meets them: what a login may see and kill,
// the server's own sessions, collations and single-user mode.

#include "EngineFixture.h"
#include "devserver/engine/Text.h"

using namespace devserver;

using Rows = std::vector<std::vector<std::u16string>>;

TEST_F(EngineTest, ALoginSeesAndKillsOnlyWhatItsRightsAllow) {
    restrictedLogin_ = Instance::RestrictedLogin{u"operator", u"Op#1"};
    restart();
    const int sa = login();
    const int victim = login();
    const int op = instance_->login({u"operator", u"Op#1", u"", false}).spid;
    const std::u16string own = text::number(op);

    // Without VIEW SERVER STATE: its own session only, in all three views.
    for (const char16_t* query :
         {u"SELECT spid FROM sysprocesses", u"SELECT session_id FROM sys.dm_exec_sessions",
          u"SELECT session_id FROM sys.dm_exec_requests"}) {
        EXPECT_EQ(table(ok(op, query)), (Rows{{own}})) << text::toUtf8(query);
    }
    // sa sees the server's own sessions too: no login, in master.
    EXPECT_EQ(table(ok(sa, u"SELECT spid, dbid FROM sysprocesses WHERE spid < 51")),
              (Rows{{u"1", u"1"}, {u"2", u"1"}, {u"3", u"1"}, {u"4", u"1"}, {u"5", u"1"}}));
    EXPECT_EQ(
        table(ok(sa, u"SELECT login_name FROM sys.dm_exec_sessions WHERE is_user_process = 0")),
        (Rows{{u""}, {u""}, {u""}, {u""}, {u""}}));
    EXPECT_EQ(
        table(ok(sa, u"SELECT session_id FROM sys.dm_exec_sessions WHERE is_user_process = 1")),
        (Rows{{text::number(sa)}, {text::number(victim)}, {own}}));

    EXPECT_EQ(errors(run(op, u"KILL " + text::number(victim))), std::vector<int>{6102});
    EXPECT_EQ(errorText(run(op, u"KILL 1")),
              u"6102: User does not have permission to use the KILL statement.\n");
    // Each failing KILL ends only its own statement; the batch goes on to the next.
    const Reply reply = run(sa, u"EXEC('kill 1') EXEC('kill 999') KILL " + text::number(sa) +
                                    u" EXEC('kill " + text::number(victim) + u"')");
    EXPECT_EQ(errors(reply), (std::vector<int>{6107, 6106, 6104}));
    EXPECT_EQ(terminated_, std::vector<int>{victim});
}

// The catalogue query with its names in upper case, as clients long wrote it: it resolves
// only where identifiers ignore case.
constexpr const char16_t* kUpperCaseCatalogueQuery =
    u"SELECT NAME FROM SYSDATABASES WHERE NAME NOT IN "
    u"('master','tempdb','model','msdb','pubs','Northwind') ORDER BY dbid";

TEST_F(EngineTest, UnderABinaryCollationCatalogueNamesResolveOnlyInLowerCase) {
    platform_.collation = *Collation::named(u"Chinese_PRC_BIN");
    restart();
    const int spid = login();
    ok(spid, u"CREATE DATABASE Shop");
    EXPECT_EQ(errorText(run(spid, kUpperCaseCatalogueQuery)),
              u"208: Invalid object name 'SYSDATABASES'.\n");
    EXPECT_EQ(errorText(run(spid, u"SELECT NAME FROM sysdatabases")),
              u"207: Invalid column name 'NAME'.\n");
    EXPECT_EQ(errors(run(spid, u"SELECT name FROM sysdatabases ORDER BY DBID")),
              std::vector<int>{207});
    EXPECT_EQ(errors(run(spid, u"SELECT name FROM SYS.databases")), std::vector<int>{208});
    EXPECT_EQ(table(ok(spid,
                       u"SELECT name FROM sysdatabases WHERE name NOT IN ('master',"
                       u"'tempdb','model','msdb','pubs','Northwind') ORDER BY dbid")),
              (Rows{{u"Shop"}}));
    // Database names compare as the collation says.
    EXPECT_EQ(errors(run(spid, u"USE SHOP")), std::vector<int>{911});
    ok(spid, u"CREATE DATABASE SHOP");
    EXPECT_EQ(table(ok(spid, u"SELECT collation_name FROM sys.databases WHERE name = 'SHOP'")),
              (Rows{{u"Chinese_PRC_BIN"}}));
}

TEST_F(EngineTest, ADatabasesOwnCollationGovernsItsCatalogueAndTravelsWithIt) {
    const int spid = login();
    EXPECT_EQ(errors(run(spid, u"CREATE DATABASE X COLLATE Klingon_CI_AS")), std::vector<int>{448});
    ok(spid, u"CREATE DATABASE Cs COLLATE Latin1_General_CS_AS");
    const std::u16string files = u"SELECT TOP 2 fileid,name,filename FROM Cs.dbo.sysfiles";
    EXPECT_EQ(table(ok(spid, files + u" ORDER BY fileid ASC ")).size(), 2u);
    EXPECT_EQ(errors(run(spid, u"SELECT TOP 2 FILEID,NAME,FILENAME FROM Cs.dbo.sysfiles")),
              std::vector<int>{207});
    EXPECT_EQ(errors(run(spid, u"SELECT name FROM Cs.dbo.SYSFILES")), std::vector<int>{208});
    ok(spid, kUpperCaseCatalogueQuery);  // master keeps the instance's collation
    EXPECT_EQ(errors(run(spid, u"alter database Cs modify file(name=CS, newname=Cs_Data)")),
              std::vector<int>{5041});
    ok(spid, u"alter database Cs modify file(name=Cs, newname=CS)");  // another name here
    ok(spid, u"alter database Cs modify file(name=CS, newname=Cs)");

    const std::u16string bak = u16path("cs.bak");
    ok(spid, u"BACKUP DATABASE Cs TO DISK='" + bak + u"'");
    ok(spid, u"EXEC sp_detach_db 'Cs'");
    ok(spid, u"EXEC sp_attach_db 'Cs','" + u16path("data/Cs.mdf") + u"','" +
                 u16path("data/Cs_log.ldf") + u"'");
    ok(spid, u"DROP DATABASE Cs");
    ok(spid, u"RESTORE DATABASE Cs FROM DISK='" + bak + u"'");
    restart();
    EXPECT_EQ(table(ok(login(), u"SELECT DATABASEPROPERTYEX('Cs','Collation')")),
              (Rows{{u"Latin1_General_CS_AS"}}));
}

TEST_F(EngineTest, SingleUserModeAdmitsOneSessionAndTravelsInBackups) {
    const int tool = login();
    ok(tool, u"CREATE DATABASE Shop");
    const int a = login(u"Shop");
    const int b = login(u"Shop");
    const std::u16string access = u"SELECT user_access_desc FROM sys.databases WHERE name = 'Shop'";

    EXPECT_EQ(errors(run(tool, u"ALTER DATABASE Shop SET SINGLE_USER")),
              (std::vector<int>{5070, 5069}));
    EXPECT_EQ(table(ok(tool, access)), (Rows{{u"MULTI_USER"}}));
    const Reply rolledBack =
        ok(tool, u"ALTER DATABASE Shop SET SINGLE_USER WITH ROLLBACK IMMEDIATE");
    EXPECT_EQ(infos(rolledBack), std::vector<int>{5060});
    EXPECT_EQ(terminated_, (std::vector<int>{a, b}));
    EXPECT_EQ(table(ok(tool, access)), (Rows{{u"SINGLE_USER"}}));

    const int first = login(u"Shop");
    const LoginResult second = instance_->login({u"sa", u"", u"Shop", false});
    EXPECT_FALSE(second.accepted);
    EXPECT_EQ(second.error.number, 924);
    EXPECT_EQ(errorText(run(tool, u"USE Shop")),
              u"924: Database 'Shop' is already open and can only have one user at a time.\n");
    EXPECT_EQ(errors(run(tool, u"ALTER DATABASE Shop SET MULTI_USER")),
              (std::vector<int>{5064, 5069}));
    instance_->logout(first);

    // A backup records the mode and a restore brings it back; a restart keeps it.
    const std::u16string bak = u16path("shop.bak");
    ok(tool, u"BACKUP DATABASE Shop TO DISK='" + bak + u"'");
    ok(tool, u"ALTER DATABASE Shop SET MULTI_USER");
    EXPECT_EQ(table(ok(tool, access)), (Rows{{u"MULTI_USER"}}));
    ok(tool, u"RESTORE DATABASE Shop FROM DISK='" + bak + u"' WITH REPLACE");
    EXPECT_EQ(table(ok(tool, access)), (Rows{{u"SINGLE_USER"}}));
    restart();
    EXPECT_EQ(table(ok(login(), access)), (Rows{{u"SINGLE_USER"}}));
    EXPECT_EQ(errors(run(login(), u"ALTER DATABASE master SET SINGLE_USER")),
              (std::vector<int>{5058, 5069}));
}

#include <fstream>

#include "EngineFixture.h"
#include "devserver/engine/Text.h"

using namespace devserver;

using Rows = std::vector<std::vector<std::u16string>>;

class BackupRestoreTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        std::filesystem::create_directories(path("bak"));
        spid = login();
    }

    void makeDatabase(const std::u16string& name, const std::u16string& value) {
        ok(spid, u"CREATE DATABASE " + name);
        ok(spid, u"CREATE TABLE " + name + u".dbo.t (v nvarchar(20))");
        ok(spid, u"INSERT INTO " + name + u".dbo.t VALUES ('" + value + u"')");
    }
    Rows content(const std::u16string& name) {
        return table(ok(spid, u"SELECT v FROM " + name + u".dbo.t"));
    }
    std::u16string backup(const std::u16string& name, const std::string& file, bool format = true) {
        const std::u16string bak = u16path("bak/" + file);
        ok(spid, u"Backup Database " + name + u" To disk='" + bak + u"'" +
                     (format ? u" WITH FORMAT " : u" "));
        return bak;
    }
    Rows sysfiles(const std::u16string& name) {
        return table(ok(spid, u"SELECT TOP 2 FILEID,NAME,FILENAME FROM " + name +
                                  u".dbo.sysfiles ORDER BY FILEID ASC "));
    }

    int spid = 0;
};

TEST_F(BackupRestoreTest, BackupDropRestoreBringsTheDatabaseBack) {
    makeDatabase(u"Shop", u"apple");
    const Reply backedUp =
        ok(spid, u"Backup Database Shop To disk='" + u16path("bak/shop.bak") + u"' WITH FORMAT ");
    EXPECT_EQ(infos(backedUp), (std::vector<int>{4035, 4035, 3014}));
    EXPECT_EQ(std::get<Message>(backedUp[0]).text.substr(0, 10), u"Processed ");
    EXPECT_NE(std::get<Message>(backedUp[2]).text.find(u"BACKUP DATABASE successfully processed"),
              std::u16string::npos);
    ok(spid, u"DROP DATABASE Shop");
    EXPECT_FALSE(std::filesystem::exists(path("data/Shop.mdf")));
    const Reply restored =
        ok(spid, u"Restore Database Shop From disk='" + u16path("bak/shop.bak") + u"' ");
    EXPECT_EQ(infos(restored), (std::vector<int>{4035, 4035, 3014}));
    EXPECT_EQ(content(u"Shop"), (Rows{{u"apple"}}));
    EXPECT_EQ(databaseNames(spid), std::vector<std::u16string>{u"Shop"});
    EXPECT_TRUE(std::filesystem::exists(path("data/Shop.mdf")));
}

TEST_F(BackupRestoreTest, BackupIntoMissingFolderFails) {
    makeDatabase(u"Shop", u"apple");
    const Reply reply = run(
        spid, u"Backup Database Shop To disk='" + u16path("nowhere/shop.bak") + u"' WITH FORMAT ");
    EXPECT_EQ(errors(reply), (std::vector<int>{3201, 3013}));
    EXPECT_NE(errorText(reply).find(
                  u"Operating system error 3(The system cannot find the path specified.)"),
              std::u16string::npos);
    EXPECT_EQ(errors(run(spid, u"Backup Database Nope To disk='" + u16path("bak/x.bak") + u"'")),
              (std::vector<int>{911, 3013}));
}

TEST_F(BackupRestoreTest, BackupWithoutFormatAppendsAndRestoreReadsSetOne) {
    makeDatabase(u"Shop", u"first");
    const std::u16string bak = backup(u"Shop", "shop.bak");
    ok(spid, u"INSERT INTO Shop.dbo.t VALUES ('second')");
    const Reply appended = ok(spid, u"BACKUP DATABASE Shop TO DISK = N'" + bak + u"'");
    EXPECT_NE(std::get<Message>(appended[0]).text.find(u"on file 2."), std::u16string::npos);
    ok(spid, u"Restore Database Shop From disk='" + bak + u"' WITH REPLACE");
    EXPECT_EQ(content(u"Shop"), (Rows{{u"first"}}));
    ok(spid, u"RESTORE DATABASE Shop FROM DISK='" + bak + u"' WITH FILE = 2, REPLACE");
    EXPECT_EQ(content(u"Shop"), (Rows{{u"first"}, {u"second"}}));
    backup(u"Shop", "shop.bak");
    EXPECT_EQ(
        errors(run(spid, u"RESTORE DATABASE Shop FROM DISK='" + bak + u"' WITH FILE = 2, REPLACE")),
        (std::vector<int>{4038, 3013}));
}

TEST_F(BackupRestoreTest, PlainRestoreRefusesAnotherDatabasesBackupAndAnUnsavedLogTail) {
    makeDatabase(u"Shop", u"apple");
    makeDatabase(u"Other", u"pear");
    const std::u16string other = backup(u"Other", "other.bak");
    const std::u16string shop = backup(u"Shop", "shop.bak");
    const Reply foreign = run(spid, u"Restore Database Shop From disk='" + other + u"' ");
    EXPECT_EQ(errors(foreign), (std::vector<int>{3154, 3013}));
    EXPECT_NE(errorText(foreign).find(u"other than the existing 'Shop' database."),
              std::u16string::npos);
    // A full backup in full recovery started the log chain.
    EXPECT_EQ(errors(run(spid, u"Restore Database Shop From disk='" + shop + u"' ")),
              (std::vector<int>{3159, 3013}));
    // The clean-up's switch through simple recovery breaks it again.
    ok(spid, u"ALTER DATABASE Shop SET RECOVERY SIMPLE ");
    ok(spid, u"ALTER DATABASE Shop SET RECOVERY FULL ");
    ok(spid, u"Restore Database Shop From disk='" + shop + u"' ");
    EXPECT_EQ(content(u"Shop"), (Rows{{u"apple"}}));
}

TEST_F(BackupRestoreTest, ForcedRestoreMovesAnotherBackupOntoTheDatabasesOwnFiles) {
    makeDatabase(u"Shop", u"apple");
    makeDatabase(u"Other", u"pear");
    const std::u16string bak = backup(u"Other", "other.bak");
    ok(spid, u"BACKUP DATABASE Shop TO DISK='" + u16path("bak/shop.bak") + u"'");  // log chain on
    const Rows before = sysfiles(u"Shop");

    const Reply list = ok(spid, u"RESTORE FILELISTONLY FROM DISK = N'" + bak + u"'");
    const RowSet& files = rows(list);
    ASSERT_GE(files.columns.size(), 3u);
    EXPECT_EQ(files.columns[0].name, u"LogicalName");
    EXPECT_EQ(files.columns[1].name, u"PhysicalName");
    EXPECT_EQ(files.columns[2].name, u"Type");
    EXPECT_EQ(files.columns.back().name, u"SnapshotURL");
    const Rows listed = table(list);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0][0], u"Other");
    EXPECT_EQ(listed[0][1], u16path("data/Other.mdf"));
    EXPECT_EQ(listed[0][2], u"D");
    EXPECT_EQ(listed[1][0], u"Other_log");
    EXPECT_EQ(listed[1][2], u"L");

    ok(spid, evictionBatch(u"'Shop'"));
    // The physical names are sent back as read.
    ok(spid, u"Restore Database Shop From disk='" + bak + u"' WITH REPLACE, MOVE '" + listed[0][0] +
                 u"' TO '" + before[0][2] + u"', MOVE '" + listed[1][0] + u"' TO '" + before[1][2] +
                 u"'");
    const Rows after = sysfiles(u"Shop");
    EXPECT_EQ(after[0][1], u"Other");
    EXPECT_EQ(after[0][2], before[0][2]);
    EXPECT_EQ(after[1][2], before[1][2]);
    ok(spid, u"alter database Shop modify file(name=" + after[0][1] + u", newname=Shop_Data)");
    ok(spid, u"alter database Shop modify file(name=" + after[1][1] + u", newname=Shop_Log)");
    EXPECT_EQ(sysfiles(u"Shop")[0][1], u"Shop_Data");
    EXPECT_EQ(sysfiles(u"Shop")[1][1], u"Shop_Log");
    EXPECT_EQ(content(u"Shop"), (Rows{{u"pear"}}));
    EXPECT_EQ(content(u"Other"), (Rows{{u"pear"}}));
    EXPECT_EQ(table(ok(spid, u"SELECT dbid FROM SYSDATABASES WHERE NAME='Shop'")), (Rows{{u"5"}}));
    EXPECT_EQ(databaseNames(spid), (std::vector<std::u16string>{u"Shop", u"Other"}));
}

TEST_F(BackupRestoreTest, RestoreOntoFilesOfAnotherDatabaseIsRefusedEvenWithReplace) {
    makeDatabase(u"Shop", u"apple");
    makeDatabase(u"Other", u"pear");
    const std::u16string bak = backup(u"Other", "other.bak");
    const Reply reply = run(spid, u"Restore Database Shop From disk='" + bak + u"' WITH REPLACE");
    EXPECT_EQ(errors(reply), (std::vector<int>{1834, 3156, 1834, 3156, 3119, 3013}));
    EXPECT_NE(errorText(reply).find(u"It is being used by database 'Other'."),
              std::u16string::npos);
    EXPECT_EQ(content(u"Shop"), (Rows{{u"apple"}}));
    const Reply moved = run(
        spid, u"Restore Database Shop From disk='" + bak + u"' WITH REPLACE, MOVE 'Nope' TO 'x'");
    EXPECT_EQ(errors(moved), (std::vector<int>{3234, 3013}));
    const Reply empty = run(spid, u"Restore Database Shop From disk='" + bak +
                                      u"' WITH REPLACE, MOVE '' TO '', MOVE '' TO ''");
    EXPECT_EQ(errors(empty), (std::vector<int>{3234, 3013}));
}

TEST_F(BackupRestoreTest, RestoreUnderANewNameMustNotOverwriteLeftoverFiles) {
    makeDatabase(u"Shop", u"apple");
    const std::u16string bak = backup(u"Shop", "shop.bak");
    ok(spid, u"EXEC sp_detach_db 'Shop'");
    EXPECT_EQ(errors(run(spid, u"RESTORE DATABASE Copy FROM DISK='" + bak + u"'")),
              (std::vector<int>{3142, 3142, 3119, 3013}));
    ok(spid, u"RESTORE DATABASE Copy FROM DISK='" + bak +
                 u"' WITH MOVE 'Shop' TO 'copy.mdf', MOVE 'Shop_log' TO 'copy.ldf'");
    EXPECT_EQ(content(u"Copy"), (Rows{{u"apple"}}));
}

TEST_F(BackupRestoreTest, WhatIsNotABackupIsRejected) {
    {
        std::ofstream junk(path("bak/junk.bak"));
        junk << "this is not a backup\n";
    }
    const Reply list =
        run(spid, u"RESTORE FILELISTONLY FROM DISK = N'" + u16path("bak/junk.bak") + u"'");
    EXPECT_EQ(errors(list), (std::vector<int>{3241, 3013}));
    EXPECT_NE(errorText(list).find(u"RESTORE FILELIST is terminating abnormally."),
              std::u16string::npos);
    EXPECT_EQ(
        errors(run(spid, u"Restore Database Shop From disk='" + u16path("bak/junk.bak") + u"' ")),
        (std::vector<int>{3241, 3013}));
    const Reply missing =
        run(spid, u"RESTORE FILELISTONLY FROM DISK = N'" + u16path("bak/none.bak") + u"'");
    EXPECT_EQ(errors(missing), (std::vector<int>{3201, 3013}));
    EXPECT_NE(errorText(missing).find(u"Operating system error 2("), std::u16string::npos);
    // A truncated backup is not one either.
    makeDatabase(u"Shop", u"apple");
    const std::u16string bak = backup(u"Shop", "cut.bak");
    std::filesystem::resize_file(path("bak/cut.bak"),
                                 std::filesystem::file_size(path("bak/cut.bak")) - 5);
    EXPECT_EQ(errors(run(spid, u"RESTORE FILELISTONLY FROM DISK = N'" + bak + u"'")),
              (std::vector<int>{3241, 3013}));
}

TEST_F(BackupRestoreTest, RestoreNeedsTheDatabaseToItself) {
    makeDatabase(u"Shop", u"apple");
    const std::u16string bak = backup(u"Shop", "shop.bak");
    const int other = login(u"Shop");
    EXPECT_EQ(errors(run(spid, u"RESTORE DATABASE Shop FROM DISK='" + bak + u"' WITH REPLACE")),
              (std::vector<int>{3101, 3013}));
    instance_->logout(other);
    ok(spid, u"RESTORE DATABASE Shop FROM DISK='" + bak + u"' WITH REPLACE");
}

TEST_F(BackupRestoreTest, TheHeaderTellsEachSetAndABackupFromANewerReleaseIsRefused) {
    makeDatabase(u"Shop", u"apple");
    makeDatabase(u"Other", u"pear");
    const std::u16string bak = backup(u"Shop", "two.bak");
    ok(spid, u"BACKUP DATABASE Other TO DISK='" + bak + u"'");  // appended: set 2

    const Reply header = ok(spid, u"RESTORE HEADERONLY FROM DISK = N'" + bak + u"'");
    const RowSet& columns = rows(header);
    auto at = [&](const std::u16string& name) {
        for (std::size_t i = 0; i < columns.columns.size(); ++i) {
            if (columns.columns[i].name == name) {
                return i;
            }
        }
        ADD_FAILURE() << "no column " << std::string(name.begin(), name.end());
        return std::size_t{0};
    };
    // SQL Server's order, up to the last column the tool reads.
    EXPECT_EQ(at(u"BackupType"), 2u);
    EXPECT_EQ(at(u"ServerName"), 8u);
    EXPECT_EQ(at(u"DatabaseName"), 9u);
    EXPECT_EQ(at(u"BackupSize"), 12u);
    EXPECT_EQ(at(u"BackupStartDate"), 17u);
    EXPECT_EQ(at(u"SoftwareVersionMajor"), 25u);
    EXPECT_EQ(at(u"RecoveryModel"), 46u);
    EXPECT_EQ(columns.columns[at(u"BackupFinishDate")].type, devserver::ColumnType::DateTime);
    const Rows sets = table(header);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0][at(u"DatabaseName")], u"Shop");
    EXPECT_EQ(sets[1][at(u"DatabaseName")], u"Other");
    EXPECT_EQ(sets[1][at(u"Position")], u"2");
    EXPECT_EQ(sets[1][at(u"DatabaseVersion")], u"957");
    EXPECT_EQ(sets[0][at(u"BackupStartDate")].size(), 19u);
    EXPECT_EQ(
        table(ok(spid, u"RESTORE HEADERONLY FROM DISK = N'" + bak + u"' WITH FILE = 2")).size(),
        1u);

    // The same file on a 2019 server: its header still reads, its restore is refused.
    platform_.majorVersion = 15;
    restart();
    spid = login();
    EXPECT_EQ(table(ok(spid, u"RESTORE HEADERONLY FROM DISK = N'" + bak +
                                 u"'"))[0][at(u"SoftwareVersionMajor")],
              u"16");
    const Reply refused = run(spid, u"RESTORE DATABASE Shop FROM DISK='" + bak + u"' WITH REPLACE");
    EXPECT_EQ(errors(refused), (std::vector<int>{3169, 3013}));
    EXPECT_NE(errorText(refused).find(u"running version 16.00.1000. That version is incompatible "
                                      u"with this server, which is running version 15.00.1000."),
              std::u16string::npos);
    EXPECT_EQ(
        errors(run(spid, u"RESTORE HEADERONLY FROM DISK = N'" + u16path("bak/none.bak") + u"'")),
        (std::vector<int>{3201, 3013}));
}

TEST_F(BackupRestoreTest, ALogBackupFollowsAFullOneAndIsNoRestoreOnItsOwn) {
    makeDatabase(u"Shop", u"apple");
    const std::u16string trn = u16path("bak/shop.trn");
    EXPECT_EQ(errors(run(spid, u"BACKUP LOG Shop TO DISK='" + trn + u"'")),
              (std::vector<int>{4214, 3013}));
    backup(u"Shop", "shop.bak");
    const Reply logged = ok(spid, u"BACKUP LOG Shop TO DISK='" + trn + u"'");
    EXPECT_EQ(infos(logged), (std::vector<int>{4035, 3014}));
    EXPECT_NE(std::get<Message>(logged[1]).text.find(u"BACKUP LOG successfully processed 2 pages"),
              std::u16string::npos);
    const Rows header = table(ok(spid, u"RESTORE HEADERONLY FROM DISK='" + trn + u"'"));
    EXPECT_EQ(header[0][2], u"2");                 // BackupType
    EXPECT_EQ(header[0][49], u"Transaction Log");  // BackupTypeDescription
    EXPECT_EQ(errors(run(spid, u"RESTORE DATABASE Shop FROM DISK='" + trn + u"' WITH REPLACE")),
              (std::vector<int>{3117, 3013}));
    ok(spid, u"ALTER DATABASE Shop SET RECOVERY SIMPLE");
    EXPECT_EQ(errors(run(spid, u"BACKUP LOG Shop TO DISK='" + trn + u"'")),
              (std::vector<int>{4208, 3013}));
}

// The host the instance poses as: Windows paths mapped into folders, the host views and
// procedures that list drives and folders, older releases without them, and a login that
// may not list.
#include <sys/stat.h>

#include <fstream>

#include "EngineFixture.h"
#include "devserver/engine/Text.h"

using namespace devserver;

namespace {

const char16_t* const kFolderQuery =
    u"SELECT file_or_directory_name, is_directory, size_in_bytes, "
    u"CONVERT(nvarchar(16), last_write_time, 120) AS last_write_time "
    u"FROM sys.dm_os_enumerate_filesystem(N'";
const char16_t* const kProperties =
    u"SELECT CONVERT(nvarchar(128), SERVERPROPERTY('ProductVersion')), "
    u"CONVERT(nvarchar(1), SERVERPROPERTY('PathSeparator')), "
    u"CONVERT(nvarchar(260), SERVERPROPERTY('InstanceDefaultDataPath')), "
    u"CONVERT(nvarchar(260), SERVERPROPERTY('InstanceDefaultBackupPath'))";

std::u16string listFolder(const std::u16string& folder, const std::u16string& pattern) {
    return kFolderQuery + folder + u"', N'" + pattern + u"') WHERE level = 0";
}

void writeFile(const std::filesystem::path& path, std::size_t bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << std::string(bytes, 'x');
}

class WindowsHost : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        platform_.windowsDrives = {{u'D', dir_}};
        restart();
    }
};

}  // namespace

TEST_F(WindowsHost, NamesFilesAsWindowsDoesAndFindsThemWithoutRegardToCase) {
    const int spid = login();
    ok(spid, u"CREATE DATABASE Shop");
    EXPECT_EQ(table(ok(spid, u"SELECT filename FROM Shop.dbo.sysfiles"))[0][0].substr(0, 16),
              u"D:\\data\\Shop.mdf");
    EXPECT_EQ(table(ok(spid, kProperties)),
              (std::vector<std::vector<std::u16string>>{
                  {u"16.0.1000.6", u"\\", u"D:\\data\\", u"D:\\data\\"}}));

    ok(spid, u"BACKUP DATABASE Shop TO DISK = 'd:\\DATA\\Week 1.BAK' WITH FORMAT");
    EXPECT_TRUE(std::filesystem::exists(path("data/Week 1.BAK")));
    ok(spid, u"BACKUP DATABASE Shop TO DISK = 'relative.bak' WITH FORMAT");
    EXPECT_TRUE(std::filesystem::exists(path("data/relative.bak")));
    const auto files = table(ok(spid, u"RESTORE FILELISTONLY FROM DISK = N'D:/Data/week 1.bak'"));
    EXPECT_EQ(files[0][1], u"D:\\data\\Shop.mdf");

    // Errors quote the path as the statement gave it.
    for (const std::u16string given :
         {u"Q:\\x.bak", u"D:\\No Such\\x.bak", u"\\\\nas\\share\\x.bak"}) {
        const Reply refused = run(spid, u"BACKUP DATABASE Shop TO DISK = '" + given + u"'");
        EXPECT_EQ(errors(refused), (std::vector<int>{3201, 3013}));
        EXPECT_NE(errorText(refused).find(u"'" + given + u"'. Operating system error 3("),
                  std::u16string::npos)
            << text::toUtf8(errorText(refused));
    }
    EXPECT_FALSE(std::filesystem::exists(path("data/<unmapped>")));
}

TEST_F(WindowsHost, ListsItsDrivesAndFoldersThroughTheViewsAndTheProcedures) {
    writeFile(path("samples/Shop.bak"), 3000);
    writeFile(path("samples/shop.mdf"), 10);
    writeFile(path("samples/old/a.bak"), 1);
    const int spid = login();

    EXPECT_EQ(table(ok(spid, u"SELECT host_platform FROM sys.dm_os_host_info"))[0][0], u"Windows");
    const auto drives = table(ok(spid,
                                 u"SELECT fixed_drive_path, free_space_in_bytes / 1048576 "
                                 u"AS free_megabytes FROM sys.dm_os_enumerate_fixed_drives"));
    ASSERT_EQ(drives.size(), 1U);
    EXPECT_EQ(drives[0][0], u"D:\\");
    const auto procedureDrives = table(ok(spid, u"EXEC master.sys.xp_fixeddrives"));
    EXPECT_EQ(procedureDrives, (std::vector<std::vector<std::u16string>>{{u"D", drives[0][1]}}));

    const auto entries = table(ok(spid, listFolder(u"d:\\SAMPLES\\", u"*")));
    ASSERT_EQ(entries.size(), 3U);
    EXPECT_EQ(entries[0][0], u"old");
    EXPECT_EQ(entries[0][1], u"1");
    EXPECT_EQ(entries[1][0], u"Shop.bak");
    EXPECT_EQ(entries[1][1], u"0");
    EXPECT_EQ(entries[1][2], u"3000");
    EXPECT_EQ(entries[1][3].size(), 16U);  // yyyy-mm-dd hh:mi
    // The pattern matches without regard to case, as on Windows.
    EXPECT_EQ(table(ok(spid, listFolder(u"D:\\samples", u"*.BAK"))).size(), 1U);
    const auto full = table(ok(spid,
                               u"SELECT full_filesystem_path, parent_directory FROM "
                               u"sys.dm_os_enumerate_filesystem('D:\\samples\\', 'Shop.bak')"));
    EXPECT_EQ(
        full,
        (std::vector<std::vector<std::u16string>>{{u"D:\\samples\\Shop.bak", u"D:\\samples"}}));

    EXPECT_EQ(table(ok(spid, u"EXEC master.sys.xp_dirtree N'D:\\samples\\', 1, 1")),
              (std::vector<std::vector<std::u16string>>{
                  {u"old", u"1", u"0"}, {u"Shop.bak", u"1", u"1"}, {u"shop.mdf", u"1", u"1"}}));
    EXPECT_EQ(table(ok(spid, u"EXEC xp_dirtree 'D:\\samples', 0, 1")).size(), 4U);
    EXPECT_EQ(rows(ok(spid, u"EXEC xp_dirtree 'D:\\samples', 1")).columns.size(), 2U);

    // A folder that is missing is the server's error for the view, nothing for the procedure.
    const Reply missing = run(spid, listFolder(u"D:\\gone\\", u"*"));
    EXPECT_EQ(errors(missing), std::vector<int>{3634});
    EXPECT_NE(errorText(missing).find(u"'3(The system cannot find the path specified.)' while "
                                      u"attempting 'FindFirstFile' on 'D:\\gone\\*'"),
              std::u16string::npos);
    EXPECT_TRUE(table(ok(spid, u"EXEC master.sys.xp_dirtree 'D:\\gone', 1, 1")).empty());
    EXPECT_EQ(errors(run(spid, u"SELECT * FROM sys.dm_os_enumerate_filesystem")),
              std::vector<int>{216});
}

TEST_F(EngineTest, ALinuxHostNamesItsOwnPathsAndHasNoDrives) {
    const int spid = login();
    const std::u16string data = text::fromUtf8((dir_ / "data").string()) + u"/";
    EXPECT_EQ(table(ok(spid, kProperties)),
              (std::vector<std::vector<std::u16string>>{{u"16.0.1000.6", u"/", data, data}}));
    EXPECT_EQ(table(ok(spid, u"SELECT host_platform FROM sys.dm_os_host_info"))[0][0], u"Linux");
    EXPECT_TRUE(table(ok(spid, u"SELECT * FROM sys.dm_os_enumerate_fixed_drives")).empty());
    EXPECT_TRUE(table(ok(spid, u"EXEC xp_fixeddrives")).empty());
    writeFile(path("data/Shop.bak"), 5);
    const auto entries = table(ok(spid, listFolder(data, u"*.bak")));
    ASSERT_EQ(entries.size(), 1U);
    EXPECT_EQ(entries[0][0], u"Shop.bak");
    EXPECT_TRUE(table(ok(spid, listFolder(data, u"*.BAK"))).empty());  // names keep their case
}

TEST_F(EngineTest, OlderReleasesLackTheHostViewsButKeepTheProcedures) {
    platform_.windowsDrives = {{u'D', dir_}};
    for (const auto& [release, expected] : std::vector<std::pair<int, std::vector<std::u16string>>>{
             {13, {u"13.0.1000.6", u"NULL", u"D:\\data\\", u"NULL"}},
             {14, {u"14.0.1000.6", u"\\", u"D:\\data\\", u"NULL"}},
             {15, {u"15.0.1000.6", u"\\", u"D:\\data\\", u"D:\\data\\"}}}) {
        SCOPED_TRACE(release);
        platform_.majorVersion = release;
        restart();
        const int spid = login();
        EXPECT_EQ(table(ok(spid, kProperties))[0], expected);
        const bool views = release >= 14;
        EXPECT_EQ(errors(run(spid, u"SELECT host_platform FROM sys.dm_os_host_info")),
                  views ? std::vector<int>{} : std::vector<int>{208});
        EXPECT_EQ(errors(run(spid, listFolder(u"D:\\", u"*"))),
                  views ? std::vector<int>{} : std::vector<int>{208});
        EXPECT_EQ(table(ok(spid, u"EXEC xp_fixeddrives")).size(), 1U);
    }
}

TEST_F(EngineTest, ARestrictedLoginMayWorkButNotListTheHostsFiles) {
    restrictedLogin_ = Instance::RestrictedLogin{u"viewer", u"View#1"};
    restart();
    const LoginResult wrong = instance_->login({u"viewer", u"nope", u"", false});
    EXPECT_FALSE(wrong.accepted);
    const LoginResult viewer = instance_->login({u"VIEWER", u"View#1", u"", false});
    ASSERT_TRUE(viewer.accepted);
    const int spid = viewer.spid;
    ok(spid, u"CREATE DATABASE Shop");
    EXPECT_EQ(databaseNames(spid), std::vector<std::u16string>{u"Shop"});
    EXPECT_EQ(table(ok(spid, u"SELECT host_platform FROM sys.dm_os_host_info"))[0][0], u"Linux");
    EXPECT_EQ(errors(run(spid, listFolder(u"/", u"*"))), (std::vector<int>{300, 297}));
    EXPECT_EQ(errors(run(spid, u"SELECT * FROM sys.dm_os_enumerate_fixed_drives")),
              (std::vector<int>{300, 297}));
    const Reply procedure = run(spid, u"EXEC master.sys.xp_dirtree '/', 1, 1");
    EXPECT_EQ(errors(procedure), std::vector<int>{229});
    EXPECT_NE(errorText(procedure).find(u"'xp_dirtree'"), std::u16string::npos);
    EXPECT_EQ(errors(run(spid, u"EXEC xp_fixeddrives")), std::vector<int>{229});
}

TEST_F(EngineTest, ConvertGivesTextsAndNumbersOfTheNamedType) {
    const int spid = login();
    EXPECT_EQ(table(ok(spid,
                       u"SELECT CONVERT(nvarchar(3), 'abcdef'), CONVERT(int, '42'), "
                       u"CONVERT(nvarchar, 7), CONVERT(nvarchar(max), N'长')")),
              (std::vector<std::vector<std::u16string>>{{u"abc", u"42", u"7", u"长"}}));
    EXPECT_EQ(errors(run(spid, u"SELECT CONVERT(int, 'x')")), std::vector<int>{245});
    EXPECT_EQ(errors(run(spid, u"SELECT CONVERT(datetime, 'x')")), std::vector<int>{50000});
    EXPECT_EQ(table(ok(spid, u"SELECT SERVERPROPERTY('NoSuchProperty')"))[0][0], u"NULL");
}

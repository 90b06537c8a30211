// Reading the server's files: the texts sent for each release, the fallback from the views
// to the extended procedures, and the dialog's decisions, against a scripted connection.
#include <gtest/gtest.h>

#include "FakeConnection.h"
#include "QtPrinters.h"
#include "common/OperatorTexts.h"
#include "operations/ServerFileBrowser.h"
#include "operations/ServerFileQueries.h"
#include "operations/ServerFileSystem.h"

namespace {

const QString kProperties = QStringLiteral(
    "SELECT CONVERT(nvarchar(128), SERVERPROPERTY('ProductVersion')) AS product_version, "
    "CONVERT(nvarchar(1), SERVERPROPERTY('PathSeparator')) AS path_separator, "
    "CONVERT(nvarchar(260), SERVERPROPERTY('InstanceDefaultDataPath')) AS data_folder, "
    "CONVERT(nvarchar(260), SERVERPROPERTY('InstanceDefaultLogPath')) AS log_folder, "
    "CONVERT(nvarchar(260), SERVERPROPERTY('InstanceDefaultBackupPath')) AS backup_folder");
const QString kPlatform = QStringLiteral("SELECT host_platform FROM sys.dm_os_host_info");
const QString kDrivesView = QStringLiteral(
    "SELECT fixed_drive_path, free_space_in_bytes / 1048576 AS free_megabytes "
    "FROM sys.dm_os_enumerate_fixed_drives");
const QString kDrivesProcedure = QStringLiteral("EXEC master.sys.xp_fixeddrives");
const QString kEntriesOfData = QStringLiteral(
    "SELECT file_or_directory_name, is_directory, size_in_bytes, "
    "CONVERT(nvarchar(16), last_write_time, 120) AS last_write_time "
    "FROM sys.dm_os_enumerate_filesystem('D:\\data\\', '*') WHERE level = 0");
const QString kTreeOfData = QStringLiteral("EXEC master.sys.xp_dirtree 'D:\\data\\', 1, 1");
const QString kRefused = QStringLiteral(
    "VIEW SERVER STATE permission was denied on object 'server', database 'master'.");

ResultSet properties(const QString& version, const QString& separator, const QString& data,
                     const QString& log, const QString& backup) {
    return ResultSet(
        {"product_version", "path_separator", "data_folder", "log_folder", "backup_folder"},
        {{version, separator, data, log, backup}});
}

ResultSet viewEntries(const QList<QStringList>& rows) {
    return ResultSet({"file_or_directory_name", "is_directory", "size_in_bytes", "last_write_time"},
                     rows);
}

ResultSet treeEntries(const QList<QStringList>& rows) {
    return ResultSet({"subdirectory", "depth", "file"}, rows);
}

QStringList names(const std::vector<ServerEntry>& entries) {
    QStringList out;
    for (const ServerEntry& entry : entries) {
        out << entry.name;
    }
    return out;
}

// A Windows host of the given release whose data lies in D:\data\.
FakeConnection& windowsServer(FakeConnection& conn, const QString& version) {
    conn.open(QStringLiteral("login"));
    const bool newer = version.section(u'.', 0, 0).toInt() >= 14;
    conn.answer(kProperties,
                properties(version, newer ? QStringLiteral("\\") : QString(),
                           QStringLiteral("D:\\data\\"), QStringLiteral("E:\\log"), QString()));
    conn.answer(kPlatform, column(QStringLiteral("host_platform"), {QStringLiteral("Windows")}));
    return conn;
}

}  // namespace

TEST(ServerFileQueries, EveryValueIsQuotedAndTheTextsAreFixed) {
    EXPECT_EQ(hostPropertiesQuery(), kProperties);
    EXPECT_EQ(hostPlatformQuery(), kPlatform);
    EXPECT_EQ(fixedDrivesQuery(), kDrivesView);
    EXPECT_EQ(fixedDrivesProcedure(), kDrivesProcedure);
    EXPECT_EQ(folderEntriesQuery(QStringLiteral("D:\\data\\")), kEntriesOfData);
    EXPECT_EQ(folderTreeProcedure(QStringLiteral("D:\\data\\")), kTreeOfData);
    EXPECT_EQ(folderTreeProcedure(QStringLiteral("D:\\O'Brien [备份]\\")),
              QStringLiteral("EXEC master.sys.xp_dirtree N'D:\\O''Brien [备份]\\', 1, 1"));
}

TEST(ServerFileSystem, ANewerWindowsHostIsReadThroughItsViews) {
    FakeConnection conn;
    windowsServer(conn, QStringLiteral("16.0.1000.6"));
    conn.answer(kDrivesView, ResultSet({"fixed_drive_path", "free_megabytes"},
                                       {{"C:\\", "1200"}, {"D:\\", "81290"}}));
    conn.answer(kEntriesOfData.left(60),
                viewEntries({{"Shop.mdf", "0", "2752512", "2024-05-01 10:22"},
                             {"old", "1", "0", "2024-04-30 09:00"}}));

    const HostFacts host = server_files::readHostFacts(conn);
    EXPECT_EQ(host.majorVersion, 16);
    EXPECT_TRUE(host.windows);
    EXPECT_EQ(host.separator, u'\\');
    EXPECT_EQ(host.dataFolder, "D:\\data\\");
    EXPECT_EQ(host.logFolder, "E:\\log\\");
    EXPECT_EQ(host.backupFolder, "D:\\data\\");  // not named by the server: beside the data

    const auto drives = server_files::readDrives(conn, host);
    EXPECT_EQ(names(drives), (QStringList{"C:\\", "D:\\"}));
    EXPECT_EQ(drives[1].freeMegabytes, 81290);
    const auto entries = server_files::readFolder(conn, host, QStringLiteral("D:\\data\\"));
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[0].kind, ServerEntry::Kind::File);
    EXPECT_EQ(entries[0].sizeBytes, 2752512);
    EXPECT_EQ(entries[0].modified, "2024-05-01 10:22");
    EXPECT_EQ(entries[1].kind, ServerEntry::Kind::Folder);
    EXPECT_EQ(conn.texts(), (QStringList{kProperties, kPlatform, kDrivesView, kEntriesOfData}));
}

TEST(ServerFileSystem, AnOlderReleaseIsReadThroughTheExtendedProcedures) {
    FakeConnection conn;
    windowsServer(conn, QStringLiteral("13.0.6300.2"));
    conn.answer(kDrivesProcedure, ResultSet({"drive", "MB free"}, {{"C", "1200"}, {"D", "500"}}));
    conn.answer(kTreeOfData, treeEntries({{"old", "1", "0"}, {"Shop.mdf", "1", "1"}}));

    const HostFacts host = server_files::readHostFacts(conn);
    EXPECT_EQ(host.majorVersion, 13);
    EXPECT_TRUE(host.windows);
    EXPECT_EQ(host.separator, u'\\');
    const auto drives = server_files::readDrives(conn, host);
    EXPECT_EQ(names(drives), (QStringList{"C:\\", "D:\\"}));
    EXPECT_EQ(drives[1].freeMegabytes, 500);
    const auto entries = server_files::readFolder(conn, host, QStringLiteral("D:\\data\\"));
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[0].kind, ServerEntry::Kind::Folder);
    EXPECT_EQ(entries[1].kind, ServerEntry::Kind::File);
    EXPECT_EQ(entries[1].sizeBytes, -1);
    EXPECT_EQ(conn.texts(), (QStringList{kProperties, kDrivesProcedure, kTreeOfData}));
}

TEST(ServerFileSystem, ARefusedViewFallsBackAndItsReasonWinsWhenTheFallbackGivesNone) {
    const HostFacts host{16, true, u'\\', "D:\\data\\", "D:\\data\\", "D:\\data\\"};
    {
        SCOPED_TRACE("the procedure lists the folder");
        FakeConnection conn;
        conn.open(QStringLiteral("login"));
        conn.fail(kEntriesOfData, kRefused);
        conn.answer(kTreeOfData, treeEntries({{"Shop.bak", "1", "1"}}));
        EXPECT_EQ(names(server_files::readFolder(conn, host, "D:\\data\\")),
                  QStringList{"Shop.bak"});
        EXPECT_EQ(conn.texts(), (QStringList{kEntriesOfData, kTreeOfData}));
    }
    for (const bool procedureFails : {false, true}) {
        SCOPED_TRACE(procedureFails ? "the procedure is refused too" : "the procedure is silent");
        FakeConnection conn;
        conn.open(QStringLiteral("login"));
        conn.fail(kEntriesOfData, kRefused);
        if (procedureFails) {
            conn.fail(kTreeOfData, QStringLiteral("The EXECUTE permission was denied"));
        }
        try {
            server_files::readFolder(conn, host, "D:\\data\\");
            ADD_FAILURE() << "nothing raised";
        } catch (const DatabaseError& error) {
            EXPECT_EQ(error.description(), kRefused);
        }
    }
}

TEST(ServerFileBrowser, OpensWhereTheKindOfFileLivesUnlessTheLastNamePointsElsewhere) {
    const HostFacts host{16, true, u'\\', "D:\\data\\", "E:\\log\\", "F:\\backup\\"};
    EXPECT_EQ(ServerFileBrowser(texts::kDataFileFilter, FileDialogMode::Open, {}).startFolder(host),
              "D:\\data\\");
    EXPECT_EQ(ServerFileBrowser(texts::kLogFileFilter, FileDialogMode::Open, {}).startFolder(host),
              "E:\\log\\");
    EXPECT_EQ(
        ServerFileBrowser(texts::kBackupFileFilter, FileDialogMode::Save, {}).startFolder(host),
        "F:\\backup\\");
    const ServerFileBrowser kept(texts::kBackupFileFilter, FileDialogMode::Open, "G:/old/Shop.bak");
    EXPECT_EQ(kept.startFolder(host), "G:/old/");
    EXPECT_EQ(kept.offeredName(), "Shop.bak");
    EXPECT_EQ(kept.description(), "备份文件(*.bak)");
    EXPECT_EQ(ServerFileBrowser(texts::kDataFileFilter, FileDialogMode::Open, {})
                  .startFolder(HostFacts{10, true, u'\\', {}, {}, {}}),
              "");  // nothing known: the drives
}

TEST(ServerFileBrowser, ShowsFoldersFirstThenTheFilesTheFilterSelects) {
    const ServerFileBrowser browser(texts::kBackupFileFilter, FileDialogMode::Open, {});
    auto entry = [](ServerEntry::Kind kind, const char* name) {
        ServerEntry e;
        e.kind = kind;
        e.name = QString::fromUtf8(name);
        return e;
    };
    using K = ServerEntry::Kind;
    const auto shown = browser.shownEntries(
        {entry(K::File, "b.bak"), entry(K::File, "Shop.mdf"), entry(K::Folder, "zeta"),
         entry(K::File, "A.BAK"), entry(K::Folder, "Alpha"), entry(K::File, "bak"),
         entry(K::File, "x.bak.old"), entry(K::Folder, "."), entry(K::Folder, "..")});
    EXPECT_EQ(names(shown), (QStringList{"Alpha", "zeta", "A.BAK", "b.bak"}));
}

TEST(ServerFileBrowser, ATypedPathIsTheAnswerExactlyAsTypedAndANameIsTakenInTheFolderShown) {
    const ServerFileBrowser browser(texts::kBackupFileFilter, FileDialogMode::Save, {});
    ServerEntry sub;
    sub.kind = ServerEntry::Kind::Folder;
    sub.name = QStringLiteral("Sub");
    const std::vector<ServerEntry> entries{sub};
    const QString folder = QStringLiteral("D:\\data\\");
    auto chosen = [&](const QString& typed) {
        const auto answer = browser.answer(typed, folder, entries, u'\\');
        const auto* file = std::get_if<ChosenFile>(&answer);
        return file ? std::make_pair(file->fullPath, file->title)
                    : std::make_pair(QString(), QString());
    };
    auto opened = [&](const QString& typed) {
        const auto answer = browser.answer(typed, folder, entries, u'\\');
        const auto* open = std::get_if<ServerFileBrowser::OpenFolder>(&answer);
        return open ? open->folder : QString();
    };
    for (const QString path :
         {"d:\\Other\\x.BAK", "E:/a b/新 备份'1'.bak", "\\\\nas\\share\\[x].bak",
          "/var/opt/mssql/x.bak", "D:\\data\\ trailing blank "}) {
        EXPECT_EQ(
            chosen(path),
            std::make_pair(
                path, path.mid(std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/')) + 1)));
    }
    EXPECT_EQ(chosen("新备份.bak"),
              std::make_pair(QString("D:\\data\\新备份.bak"), QString("新备份.bak")));
    EXPECT_EQ(chosen("Sub\\x.bak"),
              std::make_pair(QString("D:\\data\\Sub\\x.bak"), QString("x.bak")));
    EXPECT_EQ(opened("sub"), "D:\\data\\Sub");
    EXPECT_EQ(opened("E:\\"), "E:\\");
    EXPECT_EQ(opened("new\\"), "D:\\data\\new\\");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(browser.answer({}, folder, entries, u'\\')));
}

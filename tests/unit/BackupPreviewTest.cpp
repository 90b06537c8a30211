// The warnings of a backup's preview that the development server cannot produce (it takes
// only full backups), and the header query's text.
#include <gtest/gtest.h>

#include "QtPrinters.h"
#include "operations/BackupPreview.h"
#include "operations/ServerFileQueries.h"

TEST(BackupPreview, WarnsOfEveryReasonToLookTwiceAndOfNoneForAMatchingFullBackup) {
    BackupSetHeader log;
    log.databaseName = QStringLiteral("shop");  // the server compares names without case
    log.backupType = 2;
    log.softwareMajorVersion = 16;
    const BackupContents contents{{log, log},
                                  {{QStringLiteral("Shop"), QStringLiteral("D:\\Shop.mdf")}}};

    const BackupPreview forced =
        describeBackup(contents, {BackupUse::ForcedRestore, QStringLiteral("Shop")}, 15);
    EXPECT_EQ(
        forced.warnings,
        (QStringList{
            "注意：这不是完整备份，不能单独用来恢复。",
            "注意：备份来自更新版本的服务器（16 版），本服务器为 15 版，恢复会失败（错误 3169）。",
            "注意：备份中有 1 个文件，强制恢复需要 2 个，将被拒绝。"}));
    EXPECT_TRUE(forced.details.contains("备份类型：事务日志备份"));
    EXPECT_TRUE(forced.details.contains("备份集：文件中有 2 个，恢复使用第 1 个"));

    BackupSetHeader full = log;
    full.backupType = 1;
    EXPECT_TRUE(describeBackup({{full}, {}}, {BackupUse::Restore, QStringLiteral("Shop")}, 16)
                    .warnings.isEmpty());
    // A server whose release is unknown makes no backup newer.
    EXPECT_TRUE(describeBackup({{full}, {}}, {BackupUse::Restore, QStringLiteral("Shop")}, 0)
                    .warnings.isEmpty());
}

TEST(BackupPreview, TheHeaderQueryCarriesAnyPathAsOneLiteral) {
    EXPECT_EQ(backupHeaderQuery(QStringLiteral("D:\\bak\\O'Brien's.bak")),
              "RESTORE HEADERONLY FROM DISK = N'D:\\bak\\O''Brien''s.bak'");
}

#include <gtest/gtest.h>

#include "FlowSupport.h"
#include "operations/Handlers.h"

namespace {

const QString kTargetQuery =
    QStringLiteral("SELECT TOP 2 fileid,name,filename FROM Shop.dbo.sysfiles ORDER BY fileid ASC ");
const QString kFileListQuery =
    QStringLiteral("RESTORE FILELISTONLY FROM DISK = N'D:\\bak\\other.bak'");
// FILENAME is fixed-width and comes back padded.
const QString kDataPath = QStringLiteral("D:\\data\\Shop.mdf   ");
const QString kLogPath = QStringLiteral("D:\\data\\Shop_log.ldf   ");
const QString kRestoreStatement = QStringLiteral(
    "Restore Database Shop From disk='D:\\bak\\other.bak' WITH REPLACE, "
    "MOVE 'Other_Data' TO 'D:\\data\\Shop.mdf   ', MOVE 'Other_Log' TO 'D:\\data\\Shop_log.ldf   "
    "'");
const QString kRenameData =
    QStringLiteral("alter database Shop modify file(name=Other_Data, newname=Shop_Data)");
const QString kRenameLog =
    QStringLiteral("alter database Shop modify file(name=Other_Log, newname=Shop_Log)");
const QString kSuccess = QStringLiteral("恢复数据库成功");

ResultSet targetFiles(const QString& dataName, const QString& logName) {
    return ResultSet(
        {QStringLiteral("FILEID"), QStringLiteral("NAME"), QStringLiteral("FILENAME")},
        {{QStringLiteral("1"), dataName, kDataPath}, {QStringLiteral("2"), logName, kLogPath}});
}

ResultSet backupFiles(const QStringList& logicalNames) {
    QList<QStringList> rows;
    for (const QString& name : logicalNames) {
        rows.append({name, QStringLiteral("C:\\x\\") + name, QStringLiteral("D")});
    }
    return ResultSet(
        {QStringLiteral("LogicalName"), QStringLiteral("PhysicalName"), QStringLiteral("Type")},
        rows);
}

// A backup of another database over "Shop"; after the restore the files carry the
// backup's logical names.
void arrangeOtherBackup(FakeHost& host) {
    arrangeConnected(host);
    host.typedAnswer = QStringLiteral("甲乙丙丁戊己庚辛壬癸");
    host.fileChoices = {
        ChosenFile{QStringLiteral("D:\\bak\\other.bak"), QStringLiteral("other.bak")}};
    host.conn.answerOnce(
        kTargetQuery, targetFiles(QStringLiteral("Shop_Primary"), QStringLiteral("Shop_Journal")));
    host.conn.answer(kTargetQuery,
                     targetFiles(QStringLiteral("Other_Data"), QStringLiteral("Other_Log")));
    host.conn.answer(kFileListQuery,
                     backupFiles({QStringLiteral("Other_Data"), QStringLiteral("Other_Log")}));
}

const QStringList kUpToTheRestore = {kTargetQuery, kFileListQuery,
                                     evictionBatch(QStringLiteral("'Shop'")), kRestoreStatement,
                                     kTargetQuery};

}  // namespace

TEST(ForcedRestoreFlow, MovesTheBackupOntoTheDatabasesFilesAndNamesThemAfterIt) {
    const QStringList expected =
        kUpToTheRestore + QStringList{kRenameData, kRenameLog, kCatalogueQuery};
    expectSuccess(arrangeOtherBackup, forceRestoreDatabase, expected, kSuccess);
    expectEachStepFailureStops(arrangeOtherBackup, forceRestoreDatabase, expected, kSuccess);

    FakeHost host;
    arrangeOtherBackup(host);
    host.click(forceRestoreDatabase);
    const QList<std::pair<QString, QString>> asked = {
        {QStringLiteral("强制还原数据库，请输入：甲乙丙丁戊己庚辛壬癸"),
         QStringLiteral("强制还原数据库验证")}};
    EXPECT_EQ(host.confirmationsAsked, asked);
    const QList<std::pair<QString, FileDialogMode>> shown = {
        {QStringLiteral("备份文件(*.bak)|*.bak"), FileDialogMode::Open}};
    EXPECT_EQ(host.dialogsShown, shown);
}

TEST(ForcedRestoreFlow, FilesAlreadyNamedAfterTheDatabaseAreNotRenamed) {
    struct Case {
        QString dataName, logName;
        QStringList renames;
    };
    const QList<Case> cases = {
        {QStringLiteral("Shop_Data"), QStringLiteral("Shop_Log"), {}},
        {QStringLiteral("shop_data "), QStringLiteral("SHOP_LOG"), {}},
        {QStringLiteral("Other_Data"), QStringLiteral("Shop_Log"), {kRenameData}},
        {QStringLiteral("Shop_Data"), QStringLiteral("Other_Log"), {kRenameLog}},
        {QStringLiteral("Shop_Data2"),
         QStringLiteral(" Shop_Log"),
         {QStringLiteral("alter database Shop modify file(name=Shop_Data2, newname=Shop_Data)"),
          QStringLiteral("alter database Shop modify file(name=[ Shop_Log], newname=Shop_Log)")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dataName.toStdString() + "/" + c.logName.toStdString());
        FakeHost host;
        arrangeConnected(host);
        host.typedAnswer = QStringLiteral("甲乙丙丁戊己庚辛壬癸");
        host.fileChoices = {
            ChosenFile{QStringLiteral("D:\\bak\\other.bak"), QStringLiteral("other.bak")}};
        host.conn.answerOnce(kTargetQuery,
                             targetFiles(QStringLiteral("Shop_Data"), QStringLiteral("Shop_Log")));
        host.conn.answer(kTargetQuery, targetFiles(c.dataName, c.logName));
        host.conn.answer(kFileListQuery,
                         backupFiles({QStringLiteral("Other_Data"), QStringLiteral("Other_Log")}));
        host.click(forceRestoreDatabase);
        EXPECT_EQ(host.conn.texts(), kUpToTheRestore + c.renames + QStringList{kCatalogueQuery});
        EXPECT_EQ(host.statusHistory, QStringList{kSuccess});
    }
}

TEST(ForcedRestoreFlow, FileCountsOtherThanTwoStopBeforeAnySessionIsEnded) {
    const QList<std::pair<ResultSet, ResultSet>> cases = {
        {targetFiles(QStringLiteral("Shop"), QStringLiteral("Shop_log")), backupFiles({})},
        {targetFiles(QStringLiteral("Shop"), QStringLiteral("Shop_log")),
         backupFiles({QStringLiteral("A")})},
        {targetFiles(QStringLiteral("Shop"), QStringLiteral("Shop_log")),
         backupFiles({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})},
        {ResultSet({QStringLiteral("FILEID"), QStringLiteral("NAME"), QStringLiteral("FILENAME")},
                   {{QStringLiteral("1"), QStringLiteral("Shop"), kDataPath}}),
         backupFiles({QStringLiteral("A"), QStringLiteral("B")})},
        {ResultSet(), backupFiles({QStringLiteral("A"), QStringLiteral("B")})},
    };
    for (const auto& [target, backup] : cases) {
        FakeHost host;
        arrangeConnected(host);
        host.typedAnswer = QStringLiteral("甲乙丙丁戊己庚辛壬癸");
        host.fileChoices = {
            ChosenFile{QStringLiteral("D:\\bak\\other.bak"), QStringLiteral("other.bak")}};
        host.conn.answer(kTargetQuery, target);
        host.conn.answer(kFileListQuery, backup);
        host.click(forceRestoreDatabase);

        const bool targetShort = target.rowCount() != 2;
        SCOPED_TRACE(targetShort ? "target" : "backup");
        const QStringList sent =
            targetShort ? QStringList{kTargetQuery} : QStringList{kTargetQuery, kFileListQuery};
        EXPECT_EQ(host.conn.texts(), sent);
        ASSERT_EQ(host.statusHistory.size(), 1);
        EXPECT_TRUE(host.status.contains(targetShort ? QStringLiteral("目标数据库")
                                                     : QStringLiteral("备份文件")));
        EXPECT_EQ(host.entries, kEntriesBefore);
    }
}

TEST(ForcedRestoreFlow, ReReadWithoutTwoFilesRenamesTheFilesReadBefore) {
    FakeHost host;
    arrangeConnected(host);
    host.typedAnswer = QStringLiteral("甲乙丙丁戊己庚辛壬癸");
    host.fileChoices = {
        ChosenFile{QStringLiteral("D:\\bak\\other.bak"), QStringLiteral("other.bak")}};
    host.conn.answerOnce(
        kTargetQuery, targetFiles(QStringLiteral("Shop_Primary"), QStringLiteral("Shop_Journal")));
    host.conn.answer(kTargetQuery, ResultSet());
    host.conn.answer(kFileListQuery,
                     backupFiles({QStringLiteral("Other_Data"), QStringLiteral("Other_Log")}));
    host.click(forceRestoreDatabase);
    const QStringList texts = host.conn.texts();
    ASSERT_EQ(texts.size(), 8);
    EXPECT_EQ(
        texts[5],
        QStringLiteral("alter database Shop modify file(name=Shop_Primary, newname=Shop_Data)"));
    EXPECT_EQ(
        texts[6],
        QStringLiteral("alter database Shop modify file(name=Shop_Journal, newname=Shop_Log)"));
}

TEST(ForcedRestoreFlow, DeclinedOrCancelledPromptsSendNothing) {
    FakeHost declined;
    arrangeOtherBackup(declined);
    declined.typedAnswer = QStringLiteral("甲乙丙丁戊己庚辛壬");
    declined.click(forceRestoreDatabase);
    EXPECT_TRUE(declined.dialogsShown.isEmpty());
    EXPECT_TRUE(declined.conn.calls.isEmpty());
    EXPECT_EQ(declined.status, kStatusBefore);
    EXPECT_EQ(declined.entries, kEntriesBefore);

    FakeHost cancelled;
    arrangeOtherBackup(cancelled);
    cancelled.fileChoices = {std::nullopt};
    cancelled.click(forceRestoreDatabase);
    EXPECT_EQ(cancelled.statusHistory, QStringList{QStringLiteral("已取消选择文件")});
    EXPECT_TRUE(cancelled.conn.calls.isEmpty());
}

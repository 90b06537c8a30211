#include <gtest/gtest.h>

#include "FlowSupport.h"
#include "operations/Handlers.h"

namespace {

void arrangeConfirmedWithFile(FakeHost& host) {
    arrangeConnected(host);
    host.typedAnswer = QStringLiteral("甲乙丙丁戊己庚辛壬癸");
    host.fileChoices = {
        ChosenFile{QStringLiteral("D:\\bak\\shop.bak"), QStringLiteral("shop.bak")}};
}

}  // namespace

TEST(RestoreFlow, ConfirmedRestoreEndsSessionsAfterTheDialogAndRefills) {
    const QStringList expected = {
        evictionBatch(QStringLiteral("'Shop'")),
        QStringLiteral("Restore Database Shop From disk='D:\\bak\\shop.bak' "), kCatalogueQuery};
    expectSuccess(arrangeConfirmedWithFile, restoreDatabase, expected,
                  QStringLiteral("恢复数据库成功"));
    expectEachStepFailureStops(arrangeConfirmedWithFile, restoreDatabase, expected,
                               QStringLiteral("恢复数据库成功"));

    FakeHost host;
    arrangeConfirmedWithFile(host);
    host.click(restoreDatabase);
    const QList<std::pair<QString, QString>> asked = {
        {QStringLiteral("还原数据库，请输入：甲乙丙丁戊己庚辛壬癸"),
         QStringLiteral("还原数据库验证")}};
    EXPECT_EQ(host.confirmationsAsked, asked);
    const QList<std::pair<QString, FileDialogMode>> shown = {
        {QStringLiteral("备份文件(*.bak)|*.bak"), FileDialogMode::Open}};
    EXPECT_EQ(host.dialogsShown, shown);
}

TEST(RestoreFlow, FailedConfirmationDoesNothingAtAll) {
    for (const QString& answer : {QString(), QStringLiteral("甲乙丙丁戊己庚辛壬癸 ")}) {
        FakeHost host;
        arrangeConfirmedWithFile(host);
        host.typedAnswer = answer;
        host.click(restoreDatabase);
        EXPECT_TRUE(host.dialogsShown.isEmpty());
        EXPECT_TRUE(host.conn.calls.isEmpty());
        EXPECT_EQ(host.status, kStatusBefore);
        EXPECT_EQ(host.entries, kEntriesBefore);
        EXPECT_EQ(host.selectedDatabaseText(), QStringLiteral("Shop"));
    }
}

TEST(RestoreFlow, CancelledDialogEndsNoSession) {
    FakeHost host;
    arrangeConfirmedWithFile(host);
    host.fileChoices = {std::nullopt};
    host.click(restoreDatabase);
    EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("已取消选择文件")});
    EXPECT_TRUE(host.conn.calls.isEmpty());
}

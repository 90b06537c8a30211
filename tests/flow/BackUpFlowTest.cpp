#include <gtest/gtest.h>

#include "FlowSupport.h"
#include "operations/Handlers.h"

namespace {

void arrangeTarget(FakeHost& host) {
    arrangeConnected(host);
    host.fileChoices = {
        ChosenFile{QStringLiteral("D:\\bak\\shop.bak"), QStringLiteral("shop.bak")}};
}

}  // namespace

TEST(BackUpFlow, BacksUpToTheChosenFileWithoutEndingSessions) {
    const QStringList expected = {
        QStringLiteral("Backup Database Shop To disk='D:\\bak\\shop.bak' WITH FORMAT "),
        kCatalogueQuery};
    expectSuccess(arrangeTarget, backUpDatabase, expected, QStringLiteral("备份数据库成功"));
    expectEachStepFailureStops(arrangeTarget, backUpDatabase, expected,
                               QStringLiteral("备份数据库成功"));

    FakeHost host;
    arrangeTarget(host);
    host.click(backUpDatabase);
    const QList<std::pair<QString, FileDialogMode>> shown = {
        {QStringLiteral("备份文件(*.bak)|*.bak"), FileDialogMode::Save}};
    EXPECT_EQ(host.dialogsShown, shown);
    EXPECT_TRUE(host.confirmationsAsked.isEmpty());
    // A cancel of the backup statement, and of it alone, would be told as a backup's.
    const QList<std::optional<CallPurpose>> purposes = {
        CallPurpose::backUp(QStringLiteral("Shop"), QStringLiteral("D:\\bak\\shop.bak")),
        std::nullopt};
    EXPECT_EQ(host.purposesSet, purposes);
}

TEST(BackUpFlow, CancelledDialogShowsItsDescriptionAndSendsNothing) {
    FakeHost host;
    arrangeConnected(host);
    host.click(backUpDatabase);
    EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("已取消选择文件")});
    EXPECT_TRUE(host.conn.calls.isEmpty());
    EXPECT_EQ(host.entries, kEntriesBefore);
}

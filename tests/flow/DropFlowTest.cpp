#include <gtest/gtest.h>

#include "FlowSupport.h"
#include "operations/Handlers.h"

namespace {

void arrangeConfirmed(FakeHost& host) {
    arrangeConnected(host);
    host.typedAnswer = QStringLiteral("甲乙丙丁戊己庚辛壬癸");
}

}  // namespace

TEST(DropFlow, ConfirmedDropEndsSessionsDropsAndRefills) {
    const QStringList expected = {evictionBatch(QStringLiteral("'Shop'")),
                                  QStringLiteral("DROP DATABASE Shop"), kCatalogueQuery};
    expectSuccess(arrangeConfirmed, dropDatabase, expected, QStringLiteral("删除数据库成功"));
    expectEachStepFailureStops(arrangeConfirmed, dropDatabase, expected,
                               QStringLiteral("删除数据库成功"));

    FakeHost host;
    arrangeConfirmed(host);
    host.click(dropDatabase);
    const QList<std::pair<QString, QString>> asked = {
        {QStringLiteral("删除数据库，请输入：甲乙丙丁戊己庚辛壬癸"),
         QStringLiteral("删除数据库验证")}};
    EXPECT_EQ(host.confirmationsAsked, asked);
}

TEST(DropFlow, FailedConfirmationSendsOnlyTheRefillAndShowsNothing) {
    for (const QString& answer : {QString(), QStringLiteral("甲乙丙丁戊己庚辛壬癸 "),
                                  QStringLiteral("甲乙丙"), QStringLiteral("Shop")}) {
        SCOPED_TRACE(answer.toStdString());
        FakeHost host;
        arrangeConnected(host);
        host.typedAnswer = answer;
        host.click(dropDatabase);
        EXPECT_EQ(host.conn.texts(), QStringList{kCatalogueQuery});
        EXPECT_TRUE(host.statusHistory.isEmpty());
        EXPECT_EQ(host.status, kStatusBefore);
        EXPECT_EQ(host.entries, kEntriesAfter);
        EXPECT_EQ(host.selectedIndex, -1);
    }
}

TEST(DropFlow, FailedRefillAfterADeclinedConfirmationShowsItsError) {
    FakeHost host;
    arrangeConnected(host);
    host.conn.fail(kCatalogueQuery, QStringLiteral("列表读取失败"));
    host.click(dropDatabase);
    EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("列表读取失败")});
}

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

// A KILL refused by the server is no failure: the drop itself decides. When the drop finds
// the database still in use, the operator is asked once; after Yes a forced drop that fails
// all the same gives the database back to every user and shows the server's text.
TEST(DropFlow, RefusedKillsAndADatabaseStillInUse) {
    FakeHost host;
    arrangeConfirmed(host);
    host.conn.fail(QStringLiteral("declare @spid"),
                   QStringLiteral("Only user processes can be killed."), false, 6107);
    host.conn.fail(QStringLiteral("DROP DATABASE"),
                   QStringLiteral("Cannot drop database \"Shop\" because it is currently in use."),
                   false, 3702);
    host.conn.fail(QStringLiteral("ALTER DATABASE Shop SET SINGLE_USER"),
                   QStringLiteral("ALTER DATABASE statement failed."), false, 5069);
    host.helper.answer(
        QStringLiteral("SELECT host_name"),
        ResultSet(
            {QStringLiteral("host_name"), QStringLiteral("program_name"),
             QStringLiteral("login_name")},
            {{QStringLiteral("app01"), QStringLiteral("OrderService"), QStringLiteral("shop")},
             {QStringLiteral("app02"), QStringLiteral("OrderService"), QStringLiteral("shop")}}));
    host.yesNoAnswers = {true};
    host.click(dropDatabase);

    EXPECT_EQ(host.helper.texts(),
              QStringList{QStringLiteral(
                  "SELECT host_name, program_name, login_name FROM sys.dm_exec_sessions WHERE "
                  "database_id = DB_ID('Shop') ORDER BY session_id")});
    const QList<std::pair<QString, QString>> asked = {
        {QStringLiteral("附加数据库"),
         QStringLiteral("数据库 Shop 仍被 2 个会话使用（app01 / OrderService / shop；app02 / "
                        "OrderService / shop）。强制断开它们（未提交的事务将回滚）并继续？")}};
    EXPECT_EQ(host.questionsAsked, asked);
    EXPECT_EQ(
        host.conn.texts(),
        (QStringList{evictionBatch(QStringLiteral("'Shop'")), QStringLiteral("DROP DATABASE Shop"),
                     QStringLiteral("ALTER DATABASE Shop SET SINGLE_USER WITH ROLLBACK "
                                    "IMMEDIATE\r\nDROP DATABASE Shop"),
                     QStringLiteral("ALTER DATABASE Shop SET MULTI_USER")}));
    EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("ALTER DATABASE statement failed.")});
}

#include <gtest/gtest.h>

#include "FlowSupport.h"
#include "operations/Handlers.h"

// What the six operations on the selected database share, and detach and clean up, which
// add nothing to it but their statements.

namespace {

const QList<std::pair<const char*, Handler>> kListOperations = {
    {"detach", detachDatabase},   {"clean up", cleanUpDatabase},
    {"drop", dropDatabase},       {"back up", backUpDatabase},
    {"restore", restoreDatabase}, {"forced restore", forceRestoreDatabase},
};

// Everything an operation could ask for is at hand, so only the check itself can stop it.
void arrangeWillingOperator(FakeHost& host) {
    arrangeConnected(host);
    host.typedAnswer = QStringLiteral("甲乙丙丁戊己庚辛壬癸");
    host.fileChoices = {
        ChosenFile{QStringLiteral("D:\\bak\\shop.bak"), QStringLiteral("shop.bak")}};
}

}  // namespace

TEST(SelectedDatabaseFlow, NothingSelectedAsksForASelectionAndTouchesNothing) {
    for (const auto& [what, handler] : kListOperations) {
        for (const bool emptyList : {false, true}) {
            SCOPED_TRACE(what);
            FakeHost host;
            arrangeWillingOperator(host);
            host.selectedIndex = -1;
            if (emptyList) {
                host.entries.clear();
            }
            const QStringList entriesBefore = host.entries;
            host.click(handler);
            EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("请选择数据库")});
            EXPECT_TRUE(host.conn.calls.isEmpty());
            EXPECT_TRUE(host.confirmationsAsked.isEmpty());
            EXPECT_TRUE(host.dialogsShown.isEmpty());
            EXPECT_EQ(host.entries, entriesBefore);
        }
    }
}

TEST(SelectedDatabaseFlow, LostConnectionShowsTheAccessLayersDescription) {
    for (const auto& [what, handler] : kListOperations) {
        SCOPED_TRACE(what);
        FakeHost host;
        arrangeWillingOperator(host);
        host.conn.setState(Connection::Closed);
        host.click(handler);
        EXPECT_EQ(host.statusHistory, QStringList{QStringLiteral("数据库连接未打开")});
        EXPECT_EQ(host.conn.calls.size(), 1);
        EXPECT_EQ(host.entries, kEntriesBefore);
    }
}

TEST(DetachFlow, EndsSessionsDetachesAndRefills) {
    const QStringList expected = {evictionBatch(QStringLiteral("'Shop'")),
                                  QStringLiteral("EXEC sp_detach_db 'Shop'"), kCatalogueQuery};
    expectSuccess(arrangeConnected, detachDatabase, expected, QStringLiteral("数据库分离成功"));
    expectEachStepFailureStops(arrangeConnected, detachDatabase, expected,
                               QStringLiteral("数据库分离成功"));
}

TEST(CleanUpFlow, EndsSessionsSendsFiveStatementsInOrderAndRefills) {
    const QStringList expected = {
        evictionBatch(QStringLiteral("'Shop'")),
        QStringLiteral("ALTER DATABASE Shop SET RECOVERY SIMPLE WITH NO_WAIT "),
        QStringLiteral("ALTER DATABASE Shop SET RECOVERY SIMPLE "),
        QStringLiteral("DBCC SHRINKDATABASE(Shop) "),
        QStringLiteral("ALTER DATABASE Shop SET RECOVERY FULL WITH NO_WAIT "),
        QStringLiteral("ALTER DATABASE Shop SET RECOVERY FULL "),
        kCatalogueQuery,
    };
    expectSuccess(arrangeConnected, cleanUpDatabase, expected, QStringLiteral("清理数据库成功"));
    expectEachStepFailureStops(arrangeConnected, cleanUpDatabase, expected,
                               QStringLiteral("清理数据库成功"));
}

TEST(CleanUpFlow, NameWithABlankReachesTheServerDelimited) {
    FakeHost host;
    arrangeConnected(host);
    host.select(QStringLiteral("my shop"));
    host.click(cleanUpDatabase);
    const QStringList texts = host.conn.texts();
    ASSERT_EQ(texts.size(), 7);
    EXPECT_EQ(texts[0], evictionBatch(QStringLiteral("'my shop'")));
    EXPECT_EQ(texts[1],
              QStringLiteral("ALTER DATABASE [my shop] SET RECOVERY SIMPLE WITH NO_WAIT "));
    EXPECT_EQ(texts[3], QStringLiteral("DBCC SHRINKDATABASE([my shop]) "));
    EXPECT_EQ(host.status, QStringLiteral("清理数据库成功"));
}

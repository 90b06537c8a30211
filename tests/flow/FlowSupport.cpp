#include "FlowSupport.h"

#include <gtest/gtest.h>

void arrangeConnected(FakeHost& host) {
    host.entries = kEntriesBefore;
    host.select(QStringLiteral("Shop"));
    host.showStatus(kStatusBefore);
    host.statusHistory.clear();
    host.conn.answer(kCatalogueQuery, column(QStringLiteral("NAME"), kEntriesAfter));
}

void expectSuccess(const Arrange& arrange, const Handler& handler, const QStringList& expected,
                   const QString& successText) {
    FakeHost host;
    arrange(host);
    host.click(handler);
    EXPECT_EQ(host.conn.texts(), expected);
    EXPECT_EQ(host.statusHistory, QStringList{successText});
    EXPECT_EQ(host.entries, kEntriesAfter);
    EXPECT_EQ(host.selectedIndex, -1);
}

void expectEachStepFailureStops(const Arrange& arrange, const Handler& handler,
                                const QStringList& expected, const QString& successText) {
    for (qsizetype step = 0; step < expected.size(); ++step) {
        SCOPED_TRACE(QStringLiteral("server error at text %1: %2")
                         .arg(step)
                         .arg(expected[step].left(40))
                         .toStdString());
        FakeHost host;
        arrange(host);
        const QStringList entriesBefore = host.entries;
        const int selectionBefore = host.selectedIndex;
        const QString description = QStringLiteral("服务器错误 %1").arg(step);
        host.conn.failCall(step, description);

        host.click(handler);

        EXPECT_EQ(host.conn.texts(), expected.first(step + 1));
        EXPECT_EQ(host.status, description);
        if (expected[step] == kCatalogueQuery) {
            // The refill empties the list before it asks; its error replaces the success text.
            EXPECT_EQ(host.statusHistory, (QStringList{successText, description}));
            EXPECT_TRUE(host.entries.isEmpty());
        } else {
            EXPECT_EQ(host.statusHistory, QStringList{description});
            EXPECT_EQ(host.entries, entriesBefore);
            EXPECT_EQ(host.selectedIndex, selectionBefore);
        }
    }
}

#include <gtest/gtest.h>

#include "DocumentedTexts.h"
#include "FakeConnection.h"
#include "QtPrinters.h"
#include "operations/DbList.h"

namespace {

struct RecordingList : DbListView {
    QStringList entries;
    int clears = 0;
    void clearEntries() override {
        entries.clear();
        ++clears;
    }
    void appendEntries(const QStringList& names) override { entries << names; }
};

const QString kQuery = kCatalogue;

TEST(LoadDbList, SendsTheCatalogueQueryAndKeepsResultOrder) {
    FakeConnection conn;
    conn.setState(Connection::Open);
    conn.answer("SELECT name", column("name", {"Zeta", "alpha", "销售", "Mid"}));
    RecordingList list;
    list.entries = {"stale"};
    LoadDbList(conn, list);
    EXPECT_EQ(conn.texts(), QStringList{kQuery});
    EXPECT_EQ(conn.calls[0].kind, FakeConnection::Call::Query);
    EXPECT_EQ(list.entries, (QStringList{"Zeta", "alpha", "销售", "Mid"}));
}

TEST(LoadDbList, AFailedQueryLeavesTheListEmptyAndTheNextRefillWorks) {
    FakeConnection conn;
    conn.setState(Connection::Open);
    conn.fail("SELECT name", "Invalid object name 'sysdatabases'.");
    RecordingList list;
    list.entries = {"stale"};
    EXPECT_THROW(LoadDbList(conn, list), DatabaseError);
    EXPECT_TRUE(list.entries.isEmpty());
    conn.answer("SELECT name", column("name", {"A"}));
    LoadDbList(conn, list);
    EXPECT_EQ(list.entries, QStringList{"A"});
}

TEST(ClearDbList, EmptiesWithoutTouchingTheServer) {
    RecordingList list;
    list.entries = {"A", "B"};
    ClearDbList(list);
    EXPECT_TRUE(list.entries.isEmpty());
}

}  // namespace

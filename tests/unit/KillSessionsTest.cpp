#include <gtest/gtest.h>

#include <QRegularExpression>

#include "operations/KillSessions.h"
#include "support/FakeConnection.h"

TEST(KillSessions, SendsTheWholeBatchAsOneExecute) {
    FakeConnection conn;
    conn.open(QStringLiteral("x"));
    KillSessions(conn, QStringLiteral("Shop"));
    ASSERT_EQ(conn.calls.size(), 1);
    EXPECT_EQ(conn.calls[0].kind, FakeConnection::Call::Execute);
    const QString& batch = conn.calls[0].sql;
    EXPECT_EQ(batch.split(QStringLiteral("\r\n")).size(), 11);
    EXPECT_FALSE(batch.endsWith(QLatin1Char('\n')));
    EXPECT_FALSE(batch.contains(QRegularExpression(QStringLiteral("[^\r]\n|\r[^\n]"))));
}

TEST(KillSessions, PassesTheAccessLayersErrorOn) {
    FakeConnection conn;
    EXPECT_THROW(KillSessions(conn, QStringLiteral("Shop")), DatabaseError);
}

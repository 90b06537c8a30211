#include <gtest/gtest.h>

#include <functional>

#include "TsqlTokens.h"
#include "operations/ServerFileQueries.h"
#include "operations/Statements.h"

// A hostile value must leave every statement the same statement: the same tokens as for an
// ordinary value, with the value whole inside its literal or delimited name.

namespace {

// The ordinary values each statement is first composed from; each names one kind of value.
struct Values {
    QString database = QStringLiteral("Shop");
    QString path = QStringLiteral("D:\\bak\\b.bak");
    QString logical1 = QStringLiteral("LogicA");
    QString physical1 = QStringLiteral("D:\\data\\p1.mdf");
    QString logical2 = QStringLiteral("LogicB");
    QString physical2 = QStringLiteral("D:\\data\\p2.ldf");
};

using Compose = std::function<QString(const Values&)>;

const QList<std::pair<const char*, Compose>>& statements() {
    static const QList<std::pair<const char*, Compose>> all = {
        {"eviction", [](const Values& v) { return sessionEvictionBatch(v.database); }},
        {"existence", [](const Values& v) { return existenceQuery(v.database); }},
        {"attach",
         [](const Values& v) { return attachStatement(v.database, v.physical1, v.physical2); }},
        {"detach", [](const Values& v) { return detachStatement(v.database); }},
        {"simple no wait",
         [](const Values& v) { return recoverySimpleNoWaitStatement(v.database); }},
        {"simple", [](const Values& v) { return recoverySimpleStatement(v.database); }},
        {"shrink", [](const Values& v) { return shrinkStatement(v.database); }},
        {"full no wait", [](const Values& v) { return recoveryFullNoWaitStatement(v.database); }},
        {"full", [](const Values& v) { return recoveryFullStatement(v.database); }},
        {"drop", [](const Values& v) { return dropStatement(v.database); }},
        {"backup", [](const Values& v) { return backupStatement(v.database, v.path); }},
        {"restore", [](const Values& v) { return restoreStatement(v.database, v.path); }},
        {"target files", [](const Values& v) { return targetFileQuery(v.database); }},
        {"file list", [](const Values& v) { return backupFileListQuery(v.path); }},
        {"forced restore",
         [](const Values& v) {
             return forcedRestoreStatement(v.database, v.path, {v.logical1, v.physical1},
                                           {v.logical2, v.physical2});
         }},
        {"rename data",
         [](const Values& v) {
             return renameLogicalFileStatement(v.database, v.logical1, dataLogicalName(v.database));
         }},
        {"rename log",
         [](const Values& v) {
             return renameLogicalFileStatement(v.database, v.logical2, logLogicalName(v.database));
         }},
        {"folder entries", [](const Values& v) { return folderEntriesQuery(v.path); }},
        {"folder tree", [](const Values& v) { return folderTreeProcedure(v.path); }},
    };
    return all;
}

// The tokens of the ordinary statement with every ordinary value replaced by `hostile`,
// wherever it stands in a name or a literal ("Shop_Data" becomes hostile + "_Data").
QList<TsqlToken> expectedTokens(const Compose& compose, const QString& hostile) {
    const Values ordinary;
    QList<TsqlToken> tokens = tokenize(compose(ordinary));
    for (TsqlToken& token : tokens) {
        if (token.kind != TsqlToken::Name && token.kind != TsqlToken::Literal) {
            continue;
        }
        for (const QString& value : {ordinary.database, ordinary.path, ordinary.logical1,
                                     ordinary.physical1, ordinary.logical2, ordinary.physical2}) {
            token.text.replace(value, hostile);
        }
    }
    return tokens;
}

void expectSameStatement(const QString& hostile) {
    const Values values{hostile, hostile, hostile, hostile, hostile, hostile};
    for (const auto& [what, compose] : statements()) {
        SCOPED_TRACE(what);
        const QString sql = compose(values);
        QList<TsqlToken> tokens;
        ASSERT_NO_THROW(tokens = tokenize(sql)) << sql.toStdString();
        EXPECT_EQ(tokens, expectedTokens(compose, hostile)) << sql.toStdString();
        for (const TsqlToken& token : tokens) {
            const bool nonAscii = std::any_of(token.text.begin(), token.text.end(),
                                              [](QChar c) { return c.unicode() > 0x7F; });
            if (token.kind == TsqlToken::Literal && nonAscii) {
                EXPECT_TRUE(token.national) << sql.toStdString();
            }
        }
        EXPECT_FALSE(sql.contains(QStringLiteral("NN'"))) << sql.toStdString();
    }
}

}  // namespace

TEST(HostileInput, QuotesAndBracketsStayInsideTheirValue) {
    expectSameStatement(QStringLiteral("O'Brien"));
    expectSameStatement(QStringLiteral("'"));
    expectSameStatement(QStringLiteral("a]b"));
    expectSameStatement(QStringLiteral("[Shop]"));
    expectSameStatement(QStringLiteral("\"quoted\""));
}

TEST(HostileInput, SmuggledStatementsAndCommentsStayInsideTheirValue) {
    expectSameStatement(QStringLiteral("x'; DROP DATABASE master; --"));
    expectSameStatement(QStringLiteral("x]; DROP DATABASE master; --"));
    expectSameStatement(QStringLiteral("x') SHUTDOWN --"));
    expectSameStatement(QStringLiteral("a;b"));
    expectSameStatement(QStringLiteral("/* x */"));
    expectSameStatement(QStringLiteral("line\r\nbreak"));
}

TEST(HostileInput, BlanksKeywordsAndOddStartsAreDelimited) {
    expectSameStatement(QStringLiteral("my db"));
    expectSameStatement(QStringLiteral("Shop "));
    expectSameStatement(QStringLiteral(" "));
    expectSameStatement(QStringLiteral("select"));
    expectSameStatement(QStringLiteral("Database"));
    expectSameStatement(QStringLiteral("1db"));
    expectSameStatement(QStringLiteral("@x"));
    expectSameStatement(QStringLiteral("#tmp"));
    expectSameStatement(QString());
}

TEST(HostileInput, ChineseAndLongNames) {
    expectSameStatement(QStringLiteral("销售库"));
    expectSameStatement(QStringLiteral("销售 库'"));
    expectSameStatement(QString(128, QLatin1Char('a')));
    expectSameStatement(QString(127, QLatin1Char('b')) + QLatin1Char(' '));
    expectSameStatement(QString(128, QChar(0x9500)));
}

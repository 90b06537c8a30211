#include <gtest/gtest.h>

#include <QList>

#include "operations/SqlValues.h"

TEST(Literal, QuotesAndDoublesEveryQuote) {
    EXPECT_EQ(literal(QStringLiteral("Shop")), QStringLiteral("'Shop'"));
    EXPECT_EQ(literal(QString()), QStringLiteral("''"));
    EXPECT_EQ(literal(QStringLiteral("O'Brien")), QStringLiteral("'O''Brien'"));
    EXPECT_EQ(literal(QStringLiteral("''")), QStringLiteral("''''''"));
    EXPECT_EQ(literal(QStringLiteral("D:\\bak\\a b.bak ")), QStringLiteral("'D:\\bak\\a b.bak '"));
}

TEST(Literal, PrefixesNOnlyForNonAsciiText) {
    EXPECT_EQ(literal(QStringLiteral("销售库")), QStringLiteral("N'销售库'"));
    EXPECT_EQ(literal(QStringLiteral("Caf\u00e9")), QStringLiteral("N'Caf\u00e9'"));
    EXPECT_EQ(literal(QStringLiteral("D:\\备份\\O'B.bak")),
              QStringLiteral("N'D:\\备份\\O''B.bak'"));
    EXPECT_EQ(literal(QStringLiteral("~\x7f")), QStringLiteral("'~\x7f'"));
    EXPECT_EQ(nationalLiteral(QStringLiteral("a'b")), QStringLiteral("N'a''b'"));
}

TEST(Identifier, LeavesRegularIdentifiersAlone) {
    for (const QString& name :
         {QStringLiteral("Shop"), QStringLiteral("_old"), QStringLiteral("a1@#$_"),
          QStringLiteral("销售库"), QStringLiteral("\u00dcbung"), QStringLiteral("Shop_Data"),
          QStringLiteral("Selection"), QString(128, QLatin1Char('a'))}) {
        EXPECT_EQ(identifier(name), name) << name.toStdString();
    }
}

TEST(Identifier, DelimitsEverythingElse) {
    const QList<std::pair<QString, QString>> cases = {
        {QStringLiteral("my db"), QStringLiteral("[my db]")},
        {QStringLiteral("Shop "), QStringLiteral("[Shop ]")},
        {QStringLiteral("a]b"), QStringLiteral("[a]]b]")},
        {QStringLiteral("[x]"), QStringLiteral("[[x]]]")},
        {QStringLiteral("O'Brien"), QStringLiteral("[O'Brien]")},
        {QStringLiteral("a-b"), QStringLiteral("[a-b]")},
        {QStringLiteral("x;y"), QStringLiteral("[x;y]")},
        {QStringLiteral("1db"), QStringLiteral("[1db]")},
        {QStringLiteral("@x"), QStringLiteral("[@x]")},
        {QStringLiteral("#tmp"), QStringLiteral("[#tmp]")},
        {QStringLiteral("$x"), QStringLiteral("[$x]")},
        {QString(), QStringLiteral("[]")},
        {QStringLiteral("select"), QStringLiteral("[select]")},
        {QStringLiteral("Database"), QStringLiteral("[Database]")},
        {QStringLiteral("FILE"), QStringLiteral("[FILE]")},
        {QString(129, QLatin1Char('a')),
         QLatin1Char('[') + QString(129, QLatin1Char('a')) + QLatin1Char(']')},
    };
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(identifier(name), expected) << name.toStdString();
    }
}

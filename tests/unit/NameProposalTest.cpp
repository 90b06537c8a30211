#include <gtest/gtest.h>

#include <QList>

#include "common/Error.h"
#include "operations/Confirmation.h"
#include "operations/NameProposal.h"

TEST(NameProposal, FollowsTheDocumentedExamples) {
    const QList<std::pair<QString, QString>> examples = {
        {QStringLiteral("Sales_Data.MDF"), QStringLiteral("Sales")},
        {QStringLiteral("Sales.mdf"), QStringLiteral("Sales")},
        {QStringLiteral("Sales.2016.mdf"), QStringLiteral("Sales")},
        {QStringLiteral("a_b_c.mdf"), QStringLiteral("a")},
        {QStringLiteral("my.db_1.mdf"), QStringLiteral("my")},
        {QStringLiteral("_old.mdf"), QStringLiteral("_old")},
        {QStringLiteral(".mdf"), QString()},
        {QStringLiteral("销售_数据.mdf"), QStringLiteral("销售")},
        {QStringLiteral("销售。数据.mdf"), QStringLiteral("销售。数据")},
    };
    for (const auto& [title, proposal] : examples) {
        EXPECT_EQ(proposeDatabaseName(title), proposal) << title.toStdString();
    }
}

TEST(NameProposal, TitleWithoutFullStopRaisesAChineseError) {
    for (const QString& title :
         {QStringLiteral("Sales"), QStringLiteral("Sales_Data"), QString()}) {
        try {
            proposeDatabaseName(title);
            ADD_FAILURE() << "no error for " << title.toStdString();
        } catch (const Error& error) {
            EXPECT_FALSE(error.description().isEmpty());
            EXPECT_TRUE(error.description().contains(QStringLiteral("数据库名")));
        }
    }
}

TEST(TypedConfirmation, OnlyTheExactPhraseConfirms) {
    EXPECT_TRUE(isConfirmation(QStringLiteral("甲乙丙丁戊己庚辛壬癸")));
    for (const QString& answer :
         {QString(), QStringLiteral("甲乙丙丁戊己庚辛壬癸 "),
          QStringLiteral(" 甲乙丙丁戊己庚辛壬癸"), QStringLiteral("甲乙丙丁戊己庚辛壬"),
          QStringLiteral("甲乙丙丁戊己庚辛壬癸癸"), QStringLiteral("yes")}) {
        EXPECT_FALSE(isConfirmation(answer)) << answer.toStdString();
    }
}

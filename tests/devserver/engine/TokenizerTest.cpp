#include <gtest/gtest.h>

#include "devserver/engine/SqlError.h"
#include "devserver/engine/Tokenizer.h"

using namespace devserver;

namespace {

int errorOf(const std::u16string& sql) {
    try {
        tokenize(sql);
    } catch (const SqlError& e) {
        return e.messages().front().number;
    }
    return 0;
}

}  // namespace

TEST(Tokenizer, QuotedTextsAndNamesAreUnescaped) {
    const auto tokens = tokenize(u"n'a''b' 'c' [x]]y] \"q\" @v @@spid master..t 1.5 <> !=");
    ASSERT_EQ(tokens.size(), 13u);
    EXPECT_EQ(tokens[0].kind, Token::Kind::String);
    EXPECT_TRUE(tokens[0].national);
    EXPECT_EQ(tokens[0].text, u"a'b");
    EXPECT_FALSE(tokens[1].national);
    EXPECT_EQ(tokens[2].kind, Token::Kind::Quoted);
    EXPECT_EQ(tokens[2].text, u"x]y");
    EXPECT_EQ(tokens[3].text, u"q");
    EXPECT_EQ(tokens[4].kind, Token::Kind::Variable);
    EXPECT_EQ(tokens[5].text, u"@@spid");
    EXPECT_EQ(tokens[6].text, u"master");
    EXPECT_EQ(tokens[7].text, u".");
    EXPECT_EQ(tokens[8].text, u".");
    EXPECT_EQ(tokens[10].text, u"1.5");
    EXPECT_EQ(tokens[11].text, u"<>");
    EXPECT_EQ(tokens[12].text, u"!=");
}

TEST(Tokenizer, NonAsciiLettersMakeRegularIdentifiers) {
    const auto tokens = tokenize(u"USE 销售库\u3000x");
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[1].kind, Token::Kind::Word);
    EXPECT_EQ(tokens[1].text, u"销售库");
}

TEST(Tokenizer, CommentsAreSkippedAndMustBeClosed) {
    EXPECT_EQ(tokenize(u"a -- b\r\nc /* d /* e */ f */ g").size(), 3u);
    EXPECT_EQ(errorOf(u"a /* b /* c */"), 113);
    EXPECT_EQ(errorOf(u"'abc"), 105);
    EXPECT_EQ(errorOf(u"[abc"), 105);
    EXPECT_EQ(errorOf(u"[" + std::u16string(129, u'x') + u"]"), 103);
    EXPECT_EQ(errorOf(u"[" + std::u16string(128, u'x') + u"]"), 0);
}

TEST(Tokenizer, ReservedKeywordsAreRecognisedInAnyCase) {
    EXPECT_TRUE(isReservedKeyword(u"select"));
    EXPECT_TRUE(isReservedKeyword(u"WriteText"));
    EXPECT_TRUE(isReservedKeyword(u"ADD"));
    EXPECT_FALSE(isReservedKeyword(u"SHOP"));
    EXPECT_FALSE(isReservedKeyword(u"SELECTS"));
}

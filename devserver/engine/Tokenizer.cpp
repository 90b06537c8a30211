#include "devserver/engine/Tokenizer.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "devserver/engine/Messages.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Text.h"
#include "tsql/ReservedKeywords.h"

namespace devserver {

namespace {

constexpr std::size_t kMaxIdentifierLength = 128;

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f' ||
           c == 0x00A0 || c == 0x3000;
}
bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
bool isLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= 0x80 && !isBlank(c));
}
bool isWordStart(char16_t c) {
    return isLetter(c) || c == u'_' || c == u'#';
}
bool isWordPart(char16_t c) {
    return isLetter(c) || isDigit(c) || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

class Scanner {
  public:
    explicit Scanner(const std::u16string& sql) : s_(sql) {}

    std::vector<Token> run() {
        while (skipBlanksAndComments()) {
            tokens_.push_back(next());
        }
        return std::move(tokens_);
    }

  private:
    bool skipBlanksAndComments() {
        while (i_ < s_.size()) {
            if (isBlank(s_[i_])) {
                ++i_;
            } else if (startsWith(u"--")) {
                while (i_ < s_.size() && s_[i_] != u'\n') {
                    ++i_;
                }
            } else if (startsWith(u"/*")) {
                skipBlockComment();
            } else {
                return true;
            }
        }
        return false;
    }

    // Block comments nest in T-SQL.
    void skipBlockComment() {
        int depth = 0;
        while (i_ < s_.size()) {
            if (startsWith(u"/*")) {
                ++depth;
                i_ += 2;
            } else if (startsWith(u"*/")) {
                i_ += 2;
                if (--depth == 0) {
                    return;
                }
            } else {
                ++i_;
            }
        }
        throw SqlError(messages::missingEndComment());
    }

    bool startsWith(std::u16string_view prefix) const {
        return s_.compare(i_, prefix.size(), prefix) == 0;
    }

    Token next() {
        const char16_t c = s_[i_];
        if ((c == u'N' || c == u'n') && i_ + 1 < s_.size() && s_[i_ + 1] == u'\'') {
            ++i_;
            Token t = quoted(u'\'', Token::Kind::String);
            t.national = true;
            return t;
        }
        if (c == u'\'') {
            return quoted(u'\'', Token::Kind::String);
        }
        if (c == u'[') {
            return checkedLength(quoted(u']', Token::Kind::Quoted));
        }
        if (c == u'"') {
            return checkedLength(quoted(u'"', Token::Kind::Quoted));
        }
        if (c == u'@') {
            const std::size_t start = i_;
            i_ += (i_ + 1 < s_.size() && s_[i_ + 1] == u'@') ? 2 : 1;
            while (i_ < s_.size() && isWordPart(s_[i_])) {
                ++i_;
            }
            return checkedLength({Token::Kind::Variable, s_.substr(start, i_ - start)});
        }
        if (isWordStart(c)) {
            const std::size_t start = i_;
            while (i_ < s_.size() && isWordPart(s_[i_])) {
                ++i_;
            }
            return checkedLength({Token::Kind::Word, s_.substr(start, i_ - start)});
        }
        if (isDigit(c)) {
            const std::size_t start = i_;
            while (i_ < s_.size() && (isDigit(s_[i_]) || s_[i_] == u'.')) {
                ++i_;
            }
            return {Token::Kind::Number, s_.substr(start, i_ - start)};
        }
        static constexpr std::array<std::u16string_view, 6> kPairs = {u"<=", u">=", u"<>",
                                                                      u"!=", u"!<", u"!>"};
        for (const auto pair : kPairs) {
            if (startsWith(pair)) {
                i_ += 2;
                return {Token::Kind::Symbol, std::u16string(pair)};
            }
        }
        ++i_;
        return {Token::Kind::Symbol, std::u16string(1, c)};
    }

    // The closing character doubled stands for itself.
    Token quoted(char16_t close, Token::Kind kind) {
        const std::size_t start = ++i_;
        std::u16string value;
        while (i_ < s_.size()) {
            if (s_[i_] == close) {
                if (i_ + 1 < s_.size() && s_[i_ + 1] == close) {
                    value += close;
                    i_ += 2;
                    continue;
                }
                ++i_;
                return {kind, std::move(value)};
            }
            value += s_[i_++];
        }
        const std::u16string rest = s_.substr(start);
        throw SqlError({messages::unclosedQuote(rest), messages::syntaxNear(rest)});
    }

    static Token checkedLength(Token token) {
        if (token.text.size() > kMaxIdentifierLength) {
            throw SqlError(messages::identifierTooLong(token.text.substr(0, kMaxIdentifierLength)));
        }
        return token;
    }

    const std::u16string& s_;
    std::size_t i_ = 0;
    std::vector<Token> tokens_;
};

}  // namespace

std::vector<Token> tokenize(const std::u16string& sql) {
    return Scanner(sql).run();
}

bool isReservedKeyword(const std::u16string& word) {
    static const std::vector<std::string_view> kReserved = [] {
        constexpr std::string_view kWords = tsql::kReservedKeywords;
        std::vector<std::string_view> words;
        for (std::size_t start = 0; start < kWords.size();) {
            const std::size_t blank = std::min(kWords.find(' ', start), kWords.size());
            words.push_back(kWords.substr(start, blank - start));
            start = blank + 1;
        }
        return words;
    }();
    return std::any_of(kReserved.begin(), kReserved.end(),
                       [&](std::string_view k) { return text::equalsKeyword(word, k); });
}

}  // namespace devserver

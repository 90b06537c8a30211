#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace devserver {

struct Token {
    enum class Kind {
        Word,      // regular identifier or keyword, as written
        Quoted,    // [bracketed] or "double-quoted" identifier, unescaped
        String,    // '...' or N'...', unescaped
        Number,    // digits, possibly with a decimal point
        Variable,  // @name or @@name, as written
        Symbol,    // operator or punctuation
    };
    Kind kind = Kind::Symbol;
    std::u16string text;
    bool national = false;  // N'...'
};

// Splits a batch into tokens, dropping blanks and comments. Throws SqlError for an
// unclosed string, identifier or comment, or an identifier longer than 128 characters,
// as SQL Server rejects such a batch before running any of it.
std::vector<Token> tokenize(const std::u16string& sql);

bool isReservedKeyword(const std::u16string& word);

}  // namespace devserver

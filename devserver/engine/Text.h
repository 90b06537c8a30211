#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Text helpers: the engine keeps every name, path and value in UTF-16 as the protocol
// carries it, and converts to UTF-8 only at the file system and in its own files.
namespace devserver::text {

std::string toUtf8(std::u16string_view text);
// Malformed UTF-8 becomes U+FFFD rather than an error: file contents are never trusted.
std::u16string fromUtf8(std::string_view text);
std::u16string fromAscii(std::string_view text);

char16_t foldCase(char16_t c);
std::u16string upper(std::u16string_view text);
// The instance's collation is case-insensitive and, like every SQL Server comparison of
// character data, ignores trailing blanks.
bool sameName(std::u16string_view a, std::u16string_view b);
int compareText(std::u16string_view a, std::u16string_view b);
bool equalsKeyword(std::u16string_view word, std::string_view keyword);

std::u16string_view trimTrailingBlanks(std::u16string_view text);
std::u16string number(std::int64_t value);

}  // namespace devserver::text

#pragma once

#include <string>
#include <string_view>

namespace devserver::tds {

// Conversions between the wire's UTF-16 and the UTF-8 of the command line and the log.
// Broken sequences (a lone surrogate, invalid UTF-8) become U+FFFD instead of failing:
// a client's text must always be loggable.
std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view text);

}  // namespace devserver::tds

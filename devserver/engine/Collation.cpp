#include "devserver/engine/Collation.h"

#include <algorithm>
#include <array>

#include "devserver/engine/Text.h"

namespace devserver {

namespace {

// The Windows collations' locales a site is likely to choose, and the SQL collations'
// code pages; the suffixes say how texts compare.
constexpr std::array<std::string_view, 12> kLocales = {
    "Latin1_General",   "Chinese_PRC", "Chinese_Taiwan_Stroke", "Japanese",       "Korean_Wansung",
    "Cyrillic_General", "French",      "German_PhoneBook",      "Modern_Spanish", "Turkish",
    "Arabic",           "Hebrew"};
constexpr std::array<std::string_view, 2> kSqlCodePages = {"SQL_Latin1_General_CP1",
                                                           "SQL_Latin1_General_CP1250"};

std::string upperAscii(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    return out;
}

// The part after the locale or code page, e.g. "_CI_AS" or "_BIN2".
std::optional<std::u16string> suffixAfterKnownPrefix(std::u16string_view name) {
    const auto matches = [&](std::string_view prefix) {
        return name.size() > prefix.size() && name[prefix.size()] == u'_' &&
               text::equalsKeyword(name.substr(0, prefix.size()), upperAscii(prefix));
    };
    for (const std::string_view prefix : kSqlCodePages) {
        if (matches(prefix)) {
            return std::u16string(name.substr(prefix.size()));
        }
    }
    for (const std::string_view prefix : kLocales) {
        // A version may follow the locale: Latin1_General_100_CI_AS, Chinese_PRC_90_BIN.
        if (matches(prefix)) {
            std::u16string_view rest = name.substr(prefix.size());
            for (const std::u16string_view version : {u"_100", u"_90", u"_140"}) {
                if (rest.starts_with(version) && rest.size() > version.size() &&
                    rest[version.size()] == u'_') {
                    rest.remove_prefix(version.size());
                    break;
                }
            }
            return std::u16string(rest);
        }
    }
    return std::nullopt;
}

}  // namespace

Collation::Collation() : name_(kDefaultName) {}

std::optional<Collation> Collation::named(std::u16string_view name) {
    const std::optional<std::u16string> suffix = suffixAfterKnownPrefix(name);
    if (!suffix) {
        return std::nullopt;
    }
    const std::u16string upper = text::upper(*suffix);
    const bool binary = upper == u"_BIN" || upper == u"_BIN2";
    std::u16string_view rest = upper;
    bool caseSensitive = binary;
    if (!binary) {
        if (rest.starts_with(u"_CS_")) {
            caseSensitive = true;
        } else if (!rest.starts_with(u"_CI_")) {
            return std::nullopt;
        }
        rest.remove_prefix(3);
        if (!rest.starts_with(u"_AS") && !rest.starts_with(u"_AI")) {
            return std::nullopt;
        }
        rest.remove_prefix(3);
        // Kana, width, supplementary characters and UTF-8 change nothing modelled here.
        for (const std::u16string_view option : {u"_KS", u"_WS", u"_SC", u"_UTF8"}) {
            if (rest.starts_with(option)) {
                rest.remove_prefix(option.size());
            }
        }
        if (!rest.empty()) {
            return std::nullopt;
        }
    }
    Collation collation;
    collation.name_ = std::u16string(name);
    collation.caseSensitive_ = caseSensitive;
    return collation;
}

int Collation::compare(std::u16string_view a, std::u16string_view b) const {
    if (!caseSensitive_) {
        return text::compareText(a, b);
    }
    a = text::trimTrailingBlanks(a);
    b = text::trimTrailingBlanks(b);
    return a == b ? 0 : (a < b ? -1 : 1);
}

std::u16string Collation::key(std::u16string_view name) const {
    const std::u16string_view trimmed = text::trimTrailingBlanks(name);
    return caseSensitive_ ? std::u16string(trimmed) : text::upper(trimmed);
}

}  // namespace devserver

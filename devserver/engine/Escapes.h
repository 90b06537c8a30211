#pragma once

#include <array>
#include <optional>
#include <span>

// Backslash escapes, as the engine's record files and the JSON batch log write them and as
// their readers take them back: one table per format, one lookup for every writer and reader.
namespace devserver::escapes {

// A character as it stands, and the letter that follows the backslash in its place.
struct Escape {
    char raw;
    char letter;
};

// What would break a tab-separated, line-oriented record.
inline constexpr std::array<Escape, 4> kRecord{{{'\\', '\\'}, {'\t', 't'}, {'\n', 'n'}, {'\r', 'r'}}};

// JSON's short escapes (RFC 8259); other control characters take the \u00XX form.
inline constexpr std::array<Escape, 7> kJson{
    {{'"', '"'}, {'\\', '\\'}, {'\n', 'n'}, {'\r', 'r'}, {'\t', 't'}, {'\b', 'b'}, {'\f', 'f'}}};

inline std::optional<char> letterFor(char raw, std::span<const Escape> table) {
    for (const Escape& e : table) {
        if (e.raw == raw) {
            return e.letter;
        }
    }
    return std::nullopt;
}

inline std::optional<char> rawFor(char letter, std::span<const Escape> table) {
    for (const Escape& e : table) {
        if (e.letter == letter) {
            return e.raw;
        }
    }
    return std::nullopt;
}

}  // namespace devserver::escapes

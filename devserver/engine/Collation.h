#pragma once

#include <optional>
#include <string>
#include <string_view>

// A collation as far as names and texts need one: whether case matters. Under a
// case-sensitive or binary collation, identifiers follow it too, so the catalogue's names
// resolve only in the case it stores them in (lower case).
namespace devserver {

class Collation {
  public:
    // The instance's collation when none is chosen: SQL Server's default for US English.
    static constexpr std::u16string_view kDefaultName = u"SQL_Latin1_General_CP1_CI_AS";

    Collation();
    // nullopt for a name that is not a collation: error 448.
    static std::optional<Collation> named(std::u16string_view name);

    // As SQL Server spells it.
    const std::u16string& name() const { return name_; }
    bool caseSensitive() const { return caseSensitive_; }

    // Trailing blanks never count, under any collation.
    int compare(std::u16string_view a, std::u16string_view b) const;
    bool same(std::u16string_view a, std::u16string_view b) const { return compare(a, b) == 0; }
    // A key under which names that compare equal are stored together.
    std::u16string key(std::u16string_view name) const;

  private:
    std::u16string name_;
    bool caseSensitive_ = false;
};

}  // namespace devserver

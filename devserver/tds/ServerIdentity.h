#pragma once

#include <cstdint>
#include <string_view>

namespace devserver::tds {

// How the server introduces itself. Clients only display these, but some branch on the
// product version, so it names a current SQL Server release (16.0).
constexpr std::u16string_view kProgramName = u"Microsoft SQL Server";
constexpr std::u16string_view kServerName = u"DEVSERVER";
constexpr std::uint8_t kVersionMajor = 16;
constexpr std::uint8_t kVersionMinor = 0;
constexpr std::uint16_t kVersionBuild = 1000;

// SQL_Latin1_General_CP1_CI_AS: LCID 0x0409, flags 0xD0, sort id 0x34.
constexpr std::uint8_t kCollation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};

constexpr std::u16string_view kLanguage = u"us_english";

}  // namespace devserver::tds

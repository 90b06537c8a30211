#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "devserver/engine/HostFiles.h"

// Paths as statements give them. Like a Windows server the instance ignores trailing blanks
// in a path; a relative path is taken in the data folder.
namespace devserver::paths {

constexpr std::size_t kMaxPathLength = 260;

// Throws SqlError 5133 for a path longer than a Windows path may be.
std::filesystem::path resolve(const HostFiles& host, std::u16string_view given);
std::u16string display(const HostFiles& host, const std::filesystem::path& path);
// Compared as written once normalised: links are not followed, so that a check over
// thousands of databases touches no disk.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace devserver::paths

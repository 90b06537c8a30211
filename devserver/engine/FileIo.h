#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Whole-file reads and crash-safe writes. Failures carry the Windows operating system
// error that SQL Server would report for them (2 file missing, 3 folder missing, 5 denied).
namespace devserver::file_io {

struct ReadResult {
    std::optional<std::string> bytes;
    int osError = 0;
};

// Files larger than this are not the engine's and are not read into memory.
constexpr std::uintmax_t kMaxFileSize = 256u * 1024u * 1024u;

ReadResult read(const std::filesystem::path& path);
// Writes beside the target, then renames over it, so a crash leaves the old or the new
// file but never a part of one. Returns 0 or the operating system error.
int writeAtomically(const std::filesystem::path& path, const std::string& bytes);
void removeQuietly(const std::filesystem::path& path);

// Removes what writes that a crash interrupted left in `folder`: the temporary files of
// writeAtomically ("<name>.tmp<pid>-<n>"), each as large as the file it was to replace.
// Nothing else is touched. Returns how many were removed.
int removeInterruptedWrites(const std::filesystem::path& folder);

}  // namespace devserver::file_io

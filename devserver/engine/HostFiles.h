#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The file system as the host the instance runs on names it. A Linux host names files by
// this machine's own paths. A Windows host has drive letters mapped into folders of this
// machine, writes '\' between names and compares names without regard to case, so that
// D:\DATA\shop.MDF opens the file that D:\data\Shop.mdf names.
namespace devserver {

struct WindowsDrive {
    char16_t letter = u'D';        // upper case
    std::filesystem::path folder;  // absolute, normalised
};

class HostFiles {
  public:
    // No drives: a Linux host. Otherwise the data folder must lie inside one of the drives'
    // folders (std::invalid_argument), since the instance names its own files too.
    HostFiles(std::filesystem::path dataDir, std::vector<WindowsDrive> drives);

    bool windows() const { return !drives_.empty(); }
    char16_t separator() const { return windows() ? u'\\' : u'/'; }
    const std::filesystem::path& dataDir() const { return dataDir_; }
    const std::vector<WindowsDrive>& drives() const { return drives_; }

    // This machine's path for a path that a statement names, already free of trailing
    // blanks. A relative path lies in the data folder. On a Windows host a path on no mapped
    // drive, or a UNC path, resolves where nothing exists, so it fails as a missing folder.
    std::filesystem::path resolve(std::u16string_view given) const;
    // How the host names a path of this machine. A Windows host names a file as the last
    // statement that named it did, as SQL Server quotes paths as they were given.
    std::u16string display(const std::filesystem::path& path) const;
    // A folder as SERVERPROPERTY names the default folders: with a separator at the end.
    std::u16string folderName(const std::filesystem::path& folder) const;
    // Names compare as the host compares them.
    bool sameName(std::u16string_view a, std::u16string_view b) const;

  private:
    std::filesystem::path resolveOnDrive(const std::filesystem::path& root,
                                         std::u16string_view rest) const;
    const WindowsDrive* driveOf(char16_t letter) const;
    const WindowsDrive* driveHolding(const std::filesystem::path& path) const;

    std::filesystem::path dataDir_;
    std::vector<WindowsDrive> drives_;
    // Windows host: the path each file was last named by, in the statement's own spelling.
    mutable std::map<std::filesystem::path, std::u16string> givenNames_;
};

}  // namespace devserver

#include "devserver/engine/HostFiles.h"

#include <algorithm>
#include <stdexcept>

#include "devserver/engine/Text.h"

namespace devserver {

namespace {

// Where a path on no mapped drive resolves: a folder that nothing ever creates.
constexpr const char* kUnmappedFolder = "<unmapped>";

bool isSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

bool startsWithDriveLetter(std::u16string_view given) {
    return given.size() >= 2 && given[1] == u':' &&
           ((given[0] >= u'A' && given[0] <= u'Z') || (given[0] >= u'a' && given[0] <= u'z'));
}

bool isInside(const std::filesystem::path& path, const std::filesystem::path& folder) {
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        if (f->empty()) {
            continue;  // the empty last element of a folder written with a trailing '/'
        }
        if (p == path.end() || *p != *f) {
            return false;
        }
    }
    return true;
}

std::vector<std::u16string_view> splitNames(std::u16string_view rest) {
    std::vector<std::u16string_view> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= rest.size(); ++i) {
        if (i == rest.size() || isSeparator(rest[i])) {
            if (i > start) {
                names.push_back(rest.substr(start, i - start));
            }
            start = i + 1;
        }
    }
    return names;
}

}  // namespace

HostFiles::HostFiles(std::filesystem::path dataDir, std::vector<WindowsDrive> drives)
    : dataDir_(std::move(dataDir)), drives_(std::move(drives)) {
    for (WindowsDrive& drive : drives_) {
        drive.letter = text::foldCase(drive.letter);
        drive.folder = std::filesystem::absolute(drive.folder).lexically_normal();
        if (drive.folder.filename().empty()) {
            drive.folder = drive.folder.parent_path();
        }
    }
    if (windows() && driveHolding(dataDir_) == nullptr) {
        throw std::invalid_argument("the data folder " + dataDir_.string() +
                                    " lies on none of the Windows drives");
    }
}

const WindowsDrive* HostFiles::driveOf(char16_t letter) const {
    const char16_t upper = text::foldCase(letter);
    const auto found = std::find_if(drives_.begin(), drives_.end(),
                                    [&](const WindowsDrive& d) { return d.letter == upper; });
    return found == drives_.end() ? nullptr : &*found;
}

const WindowsDrive* HostFiles::driveHolding(const std::filesystem::path& path) const {
    const WindowsDrive* best = nullptr;
    for (const WindowsDrive& drive : drives_) {
        if (isInside(path, drive.folder) &&
            (best == nullptr || drive.folder.native().size() > best->folder.native().size())) {
            best = &drive;
        }
    }
    return best;
}

bool HostFiles::sameName(std::u16string_view a, std::u16string_view b) const {
    return windows() ? text::upper(a) == text::upper(b) : a == b;
}

std::filesystem::path HostFiles::resolveOnDrive(const std::filesystem::path& root,
                                                std::u16string_view rest) const {
    std::filesystem::path current = root;
    for (const std::u16string_view name : splitNames(rest)) {
        if (name == u".") {
            continue;
        }
        if (name == u"..") {
            if (current != root) {
                current = current.parent_path();
            }
            continue;
        }
        const std::string asGiven = text::toUtf8(name);
        std::error_code ignored;
        if (std::filesystem::exists(current / asGiven, ignored)) {
            current /= asGiven;
            continue;
        }
        std::string found = asGiven;
        for (const auto& entry : std::filesystem::directory_iterator(current, ignored)) {
            const std::string entryName = entry.path().filename().string();
            if (sameName(text::fromUtf8(entryName), name)) {
                found = entryName;
                break;
            }
        }
        current /= found;
    }
    return current;
}

std::filesystem::path HostFiles::resolve(std::u16string_view given) const {
    if (!windows()) {
        std::filesystem::path path(text::toUtf8(given));
        if (path.is_relative()) {
            path = dataDir_ / path;
        }
        return path.lexically_normal();
    }
    if (!startsWithDriveLetter(given)) {
        if (given.size() >= 2 && isSeparator(given[0]) && isSeparator(given[1])) {
            std::u16string share(given);
            std::replace(share.begin(), share.end(), u'/', u'\\');
            auto unreachable = dataDir_ / kUnmappedFolder / text::toUtf8(share);
            givenNames_[unreachable] = std::u16string(given);
            return unreachable;
        }
        const std::u16string folder = folderName(dataDir_);
        // "\x" lies on the data folder's drive, "x" in the data folder.
        return resolve(!given.empty() && isSeparator(given[0])
                           ? folder.substr(0, 2) + std::u16string(given)
                           : folder + std::u16string(given));
    }
    const WindowsDrive* drive = driveOf(given[0]);
    std::filesystem::path path;
    if (drive != nullptr) {
        path = resolveOnDrive(drive->folder, given.substr(2));
    } else {
        std::u16string unmapped(given);
        std::replace(unmapped.begin(), unmapped.end(), u'/', u'\\');
        path = dataDir_ / kUnmappedFolder / text::toUtf8(unmapped);
    }
    givenNames_[path] = std::u16string(given);
    return path;
}

std::u16string HostFiles::display(const std::filesystem::path& path) const {
    if (!windows()) {
        return text::fromUtf8(path.string());
    }
    if (const auto named = givenNames_.find(path); named != givenNames_.end()) {
        return named->second;
    }
    const WindowsDrive* drive = driveHolding(path);
    if (drive == nullptr) {
        return text::fromUtf8(path.string());
    }
    std::u16string shown{drive->letter, u':', u'\\'};
    bool first = true;
    for (const auto& name : path.lexically_relative(drive->folder)) {
        if (name == "." || name.empty()) {
            continue;
        }
        if (!first) {
            shown += u'\\';
        }
        shown += text::fromUtf8(name.string());
        first = false;
    }
    return shown;
}

std::u16string HostFiles::folderName(const std::filesystem::path& folder) const {
    std::u16string name = display(folder);
    if (name.empty() || name.back() != separator()) {
        name += separator();
    }
    return name;
}

}  // namespace devserver

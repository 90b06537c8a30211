#include "devserver/engine/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string_view>

namespace devserver::file_io {

namespace {

constexpr std::string_view kTemporaryMark = ".tmp";

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "<name>.tmp<pid>-<n>", as writeAtomically names its temporary files.
bool isTemporaryName(std::string_view name) {
    const std::size_t mark = name.rfind(kTemporaryMark);
    if (mark == std::string_view::npos || mark == 0) {
        return false;
    }
    const std::string_view suffix = name.substr(mark + kTemporaryMark.size());
    const std::size_t dash = suffix.find('-');
    return dash != std::string_view::npos && isDigits(suffix.substr(0, dash)) &&
           isDigits(suffix.substr(dash + 1));
}

int windowsError(int posixError, bool missingMeansFolder) {
    switch (posixError) {
        case ENOENT:
            return missingMeansFolder ? 3 : 2;
        case ENOTDIR:
            return 3;
        case ENAMETOOLONG:
            return 206;
        default:
            return 5;
    }
}

}  // namespace

ReadResult read(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {std::nullopt, windowsError(errno, false)};
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uintmax_t>(info.st_size) > kMaxFileSize) {
        ::close(fd);
        return {std::nullopt, 5};
    }
    std::string bytes;
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return {std::nullopt, 5};
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > kMaxFileSize) {
            ::close(fd);
            return {std::nullopt, 5};
        }
    }
    ::close(fd);
    return {std::move(bytes), 0};
}

int writeAtomically(const std::filesystem::path& path, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temporary = path;
    temporary += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return windowsError(errno, true);
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            ::unlink(temporary.c_str());
            return windowsError(error, true);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return windowsError(error, true);
    }
    return 0;
}

void removeQuietly(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

int removeInterruptedWrites(const std::filesystem::path& folder) {
    int removed = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error) && isTemporaryName(entry.path().filename().string()) &&
            std::filesystem::remove(entry.path(), error)) {
            ++removed;
        }
    }
    return removed;
}

}  // namespace devserver::file_io

#include "devserver/engine/Paths.h"

#include "devserver/engine/Messages.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Text.h"

namespace devserver::paths {

std::filesystem::path resolve(const std::filesystem::path& dataDir, std::u16string_view given) {
    const std::u16string_view trimmed = text::trimTrailingBlanks(given);
    if (trimmed.size() > kMaxPathLength) {
        throw SqlError(messages::pathTooLong(std::u16string(trimmed)));
    }
    std::filesystem::path path(text::toUtf8(trimmed));
    if (path.is_relative()) {
        path = dataDir / path;
    }
    return path.lexically_normal();
}

std::u16string display(const std::filesystem::path& path) {
    return text::fromUtf8(path.string());
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    return a.lexically_normal() == b.lexically_normal();
}

}  // namespace devserver::paths

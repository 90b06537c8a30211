#include "devserver/engine/Paths.h"

#include "devserver/engine/Messages.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Text.h"

namespace devserver::paths {

std::filesystem::path resolve(const HostFiles& host, std::u16string_view given) {
    const std::u16string_view trimmed = text::trimTrailingBlanks(given);
    if (trimmed.size() > kMaxPathLength) {
        throw SqlError(messages::pathTooLong(std::u16string(trimmed)));
    }
    return host.resolve(trimmed);
}

std::u16string display(const HostFiles& host, const std::filesystem::path& path) {
    return host.display(path);
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    return a.lexically_normal() == b.lexically_normal();
}

}  // namespace devserver::paths

#include "devserver/engine/Paths.h"

#include "devserver/engine/Messages.h"
#include "devserver/engine/SqlError.h"
#include "devserver/engine/Text.h"

namespace devserver::paths {

// A path is taken as given, trailing blanks included: a blank-padded path names another
// file than the one it pads.
std::filesystem::path resolve(const HostFiles& host, std::u16string_view given) {
    if (given.size() > kMaxPathLength) {
        throw SqlError(messages::pathTooLong(std::u16string(given)));
    }
    return host.resolve(given);
}

std::u16string display(const HostFiles& host, const std::filesystem::path& path) {
    return host.display(path);
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    return a.lexically_normal() == b.lexically_normal();
}

}  // namespace devserver::paths

#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "TdsVersion.h"

namespace devserver::tds {

// The text of a SQL batch request. From 7.2 on the text follows ALL_HEADERS (transaction
// descriptor and the like), which the server skips by its total length.
std::u16string decodeSqlBatch(std::span<const std::uint8_t> payload, TdsVersion version);

}  // namespace devserver::tds

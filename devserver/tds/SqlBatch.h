#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "TdsVersion.h"

namespace devserver::tds {

// Where a request's own data starts: from 7.2 on, after ALL_HEADERS (transaction
// descriptor and the like), which the server skips by its total length.
std::size_t requestDataOffset(std::span<const std::uint8_t> payload, TdsVersion version);

// The text of a SQL batch request: UTF-16LE after ALL_HEADERS, to the end of the message.
std::u16string decodeSqlBatch(std::span<const std::uint8_t> payload, TdsVersion version);

}  // namespace devserver::tds

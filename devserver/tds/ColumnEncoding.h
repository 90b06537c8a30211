#pragma once

#include <cstddef>
#include <cstdint>

#include "ByteWriter.h"
#include "devserver/engine/Reply.h"

// How the columns of a row set go on the wire: each column's TYPE_INFO in COLMETADATA, and
// each value in a ROW, for every column type the engine answers with.
namespace devserver::tds {

// Fixed-width values (integers, reals, datetime) go as their fixed type, or as the
// nullable variant with a length byte; the others each have a layout of their own.
enum class WireKind { Integer, Real, DateTime, Numeric, Guid, Binary, Text };

// How one column goes on the wire, settled from its declaration and its values so that
// whatever the engine answers is encoded in a layout the client can read.
struct WireColumn {
    WireKind kind = WireKind::Text;
    std::uint8_t fixedType = 0;     // the non-nullable type
    std::uint8_t nullableType = 0;  // its nullable variant
    std::uint8_t width = 4;         // bytes of a fixed-width value or of a numeric
    bool nullable = true;
    bool fixedWidthText = false;
    bool singleByteText = false;
    std::size_t maxUnits = 1;
    std::uint8_t precision = 0;
};

WireColumn wireColumn(const RowSet& rows, std::size_t index);
void writeTypeInfo(ByteWriter& out, const WireColumn& column);
void writeValue(ByteWriter& out, const WireColumn& column, const Value& value);

}  // namespace devserver::tds

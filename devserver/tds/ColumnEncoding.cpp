#include "ColumnEncoding.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ServerIdentity.h"

namespace devserver::tds {
namespace {

constexpr std::uint8_t kTypeIntN = 0x26;
constexpr std::uint8_t kTypeTinyInt = 0x30;
constexpr std::uint8_t kTypeBit = 0x32;
constexpr std::uint8_t kTypeSmallInt = 0x34;
constexpr std::uint8_t kTypeInt = 0x38;
constexpr std::uint8_t kTypeDateTime = 0x3D;
constexpr std::uint8_t kTypeBigInt = 0x7F;
constexpr std::uint8_t kTypeReal = 0x3B;
constexpr std::uint8_t kTypeGuid = 0x24;
constexpr std::uint8_t kTypeBitN = 0x68;
constexpr std::uint8_t kTypeNumericN = 0x6C;
constexpr std::uint8_t kTypeFloatN = 0x6D;
constexpr std::uint8_t kTypeDateTimeN = 0x6F;
constexpr std::uint8_t kTypeBigVarBinary = 0xA5;
constexpr std::uint8_t kTypeBigChar = 0xAF;
constexpr std::uint8_t kTypeNVarChar = 0xE7;
constexpr std::uint8_t kTypeNChar = 0xEF;

constexpr std::uint16_t kNullText = 0xFFFF;
constexpr std::uint8_t kGuidBytes = 16;
constexpr std::uint8_t kDateTimeBytes = 8;
constexpr int kDateTimeTicksPerSecond = 300;
// Longer texts are cut rather than sent in a layout the client misreads.
constexpr auto kMaxTextUnits = static_cast<std::size_t>(kMaxNVarCharLength);

using Scalar = Value::value_type;

std::u16string asText(const Scalar& value) {
    if (const auto* text = std::get_if<std::u16string>(&value)) {
        return text->substr(0, std::min(text->size(), kMaxTextUnits));
    }
    std::string digits;
    if (const auto* real = std::get_if<double>(&value)) {
        std::array<char, 32> buffer{};
        std::snprintf(buffer.data(), buffer.size(), "%.7g", *real);
        digits = buffer.data();
    } else {
        digits = std::to_string(std::get<std::int64_t>(value));
    }
    return {digits.begin(), digits.end()};
}

std::int64_t asInteger(const Scalar& value) {
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
        return *number;
    }
    if (const auto* real = std::get_if<double>(&value)) {
        return static_cast<std::int64_t>(*real);
    }
    throw std::logic_error("text value in an integer column");
}

std::uint32_t realBits(const Scalar& value) {
    float real = 0;
    if (const auto* number = std::get_if<double>(&value)) {
        real = static_cast<float>(*number);
    } else {
        real = static_cast<float>(asInteger(value));
    }
    std::uint32_t bits = 0;
    std::memcpy(&bits, &real, sizeof bits);
    return bits;
}

std::string asAscii(const Scalar& value) {
    std::string ascii;
    for (const char16_t unit : asText(value)) {
        ascii += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return ascii;
}

int fieldOf(const std::string& text, std::size_t at, std::size_t length) {
    int number = 0;
    for (std::size_t i = at; i < at + length && i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            throw std::logic_error("malformed datetime value");
        }
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

// datetime: days since 1900-01-01, then three-hundredths of a second since midnight.
std::pair<std::int32_t, std::uint32_t> dateTimeOf(const Scalar& value) {
    const std::string text = asAscii(value);  // yyyy-mm-dd hh:mm:ss[.mmm]
    using namespace std::chrono;
    const year_month_day date{year(fieldOf(text, 0, 4)), month(fieldOf(text, 5, 2)),
                              day(fieldOf(text, 8, 2))};
    if (text.size() < 19 || !date.ok()) {
        throw std::logic_error("malformed datetime value");
    }
    const auto days = (sys_days(date) - sys_days(1900y / January / 1)).count();
    const int seconds =
        fieldOf(text, 11, 2) * 3600 + fieldOf(text, 14, 2) * 60 + fieldOf(text, 17, 2);
    const int milliseconds = text.size() >= 23 ? fieldOf(text, 20, 3) : 0;
    const auto ticks =
        static_cast<std::uint32_t>(seconds * kDateTimeTicksPerSecond + (milliseconds * 3 + 5) / 10);
    return {static_cast<std::int32_t>(days), ticks};
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    throw std::logic_error("malformed hexadecimal value");
}

std::vector<std::uint8_t> bytesOfHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(hexDigit(hex[i]) * 16 + hexDigit(hex[i + 1])));
    }
    return bytes;
}

// The first three groups go little-endian, as the GUID structure lies in memory.
std::vector<std::uint8_t> guidBytes(const Scalar& value) {
    std::string hex;
    for (const char c : asAscii(value)) {
        if (c != '-') {
            hex += c;
        }
    }
    std::vector<std::uint8_t> bytes = bytesOfHex(hex);
    if (bytes.size() != kGuidBytes) {
        throw std::logic_error("malformed uniqueidentifier value");
    }
    std::reverse(bytes.begin(), bytes.begin() + 4);
    std::reverse(bytes.begin() + 4, bytes.begin() + 6);
    std::reverse(bytes.begin() + 6, bytes.begin() + 8);
    return bytes;
}

// decimal(p, 0): the storage width that the precision needs, sign byte included.
std::uint8_t numericWidth(int precision) {
    return precision <= 9 ? 5 : precision <= 19 ? 9 : precision <= 28 ? 13 : 17;
}

WireColumn fixedWidth(WireKind kind, std::uint8_t fixedType, std::uint8_t nullableType,
                      std::uint8_t width, bool nullable) {
    WireColumn wire;
    wire.kind = kind;
    wire.fixedType = fixedType;
    wire.nullableType = nullableType;
    wire.width = width;
    wire.nullable = nullable;
    return wire;
}

void writeFixedWidth(ByteWriter& out, const WireColumn& column, const Scalar& value) {
    if (column.nullable) {
        out.u8(column.width);
    }
    if (column.kind == WireKind::DateTime) {
        const auto [days, ticks] = dateTimeOf(value);
        out.u32le(static_cast<std::uint32_t>(days));
        out.u32le(ticks);
        return;
    }
    const auto number = column.kind == WireKind::Real
                            ? std::uint64_t{realBits(value)}
                            : static_cast<std::uint64_t>(asInteger(value));
    for (int b = 0; b < column.width; ++b) {
        out.u8(static_cast<std::uint8_t>(number >> (8 * b)));
    }
}

void writeNumeric(ByteWriter& out, const WireColumn& column, const Scalar& value) {
    const std::int64_t number = asInteger(value);
    out.u8(column.width);
    out.u8(number < 0 ? 0 : 1);
    auto magnitude =
        number < 0 ? ~static_cast<std::uint64_t>(number) + 1 : static_cast<std::uint64_t>(number);
    for (int b = 1; b < column.width; ++b) {
        out.u8(static_cast<std::uint8_t>(magnitude & 0xFF));
        magnitude >>= 8;
    }
}

}  // namespace

WireColumn wireColumn(const RowSet& rows, std::size_t index) {
    const Column& column = rows.columns[index];
    WireColumn wire;
    wire.nullable = column.nullable;
    for (const auto& row : rows.rows) {
        if (index >= row.size() || !row[index].has_value()) {
            wire.nullable = true;
        }
    }
    switch (column.type) {
        case ColumnType::Int:
            return fixedWidth(WireKind::Integer, kTypeInt, kTypeIntN, 4, wire.nullable);
        case ColumnType::SmallInt:
            return fixedWidth(WireKind::Integer, kTypeSmallInt, kTypeIntN, 2, wire.nullable);
        case ColumnType::BigInt:
            return fixedWidth(WireKind::Integer, kTypeBigInt, kTypeIntN, 8, wire.nullable);
        case ColumnType::TinyInt:
            return fixedWidth(WireKind::Integer, kTypeTinyInt, kTypeIntN, 1, wire.nullable);
        case ColumnType::Bit:
            return fixedWidth(WireKind::Integer, kTypeBit, kTypeBitN, 1, wire.nullable);
        case ColumnType::Real:
            return fixedWidth(WireKind::Real, kTypeReal, kTypeFloatN, 4, wire.nullable);
        case ColumnType::DateTime:
            return fixedWidth(WireKind::DateTime, kTypeDateTime, kTypeDateTimeN, kDateTimeBytes,
                              wire.nullable);
        case ColumnType::Numeric:
            wire.kind = WireKind::Numeric;
            wire.precision = static_cast<std::uint8_t>(std::clamp(column.length, 1, 38));
            wire.width = numericWidth(wire.precision);
            return wire;
        case ColumnType::UniqueIdentifier:
            wire.kind = WireKind::Guid;
            return wire;
        case ColumnType::VarBinary:
            wire.kind = WireKind::Binary;
            wire.maxUnits = static_cast<std::size_t>(std::clamp(column.length, 1, 8000));
            return wire;
        case ColumnType::NVarChar:
        case ColumnType::NChar:
        case ColumnType::Char:
            break;
    }
    wire.kind = WireKind::Text;
    wire.fixedWidthText = column.type != ColumnType::NVarChar;
    wire.singleByteText = column.type == ColumnType::Char;
    wire.maxUnits = static_cast<std::size_t>(std::max(column.length, 1));
    for (const auto& row : rows.rows) {
        if (index < row.size() && row[index].has_value()) {
            wire.maxUnits = std::max(wire.maxUnits, asText(*row[index]).size());
        }
    }
    wire.maxUnits = std::min(wire.maxUnits, kMaxTextUnits);
    return wire;
}

void writeTypeInfo(ByteWriter& out, const WireColumn& column) {
    switch (column.kind) {
        case WireKind::Integer:
        case WireKind::Real:
        case WireKind::DateTime:
            if (column.nullable) {
                out.u8(column.nullableType);
                out.u8(column.width);
            } else {
                out.u8(column.fixedType);
            }
            return;
        case WireKind::Numeric:
            out.u8(kTypeNumericN);
            out.u8(column.width);
            out.u8(column.precision);
            out.u8(0);  // scale
            return;
        case WireKind::Guid:
            out.u8(kTypeGuid);
            out.u8(kGuidBytes);
            return;
        case WireKind::Binary:
            out.u8(kTypeBigVarBinary);
            out.u16le(static_cast<std::uint16_t>(column.maxUnits));
            return;
        case WireKind::Text:
            if (column.singleByteText) {
                out.u8(kTypeBigChar);
                out.u16le(static_cast<std::uint16_t>(column.maxUnits));
            } else {
                out.u8(column.fixedWidthText ? kTypeNChar : kTypeNVarChar);
                out.u16le(static_cast<std::uint16_t>(column.maxUnits * 2));
            }
            out.raw(kCollation);
            return;
    }
}

void writeValue(ByteWriter& out, const WireColumn& column, const Value& value) {
    const bool lengthPrefixedNull =
        column.kind == WireKind::Text || column.kind == WireKind::Binary;
    if (!value.has_value()) {
        if (lengthPrefixedNull) {
            out.u16le(kNullText);
        } else {
            out.u8(0);
        }
        return;
    }
    switch (column.kind) {
        case WireKind::Integer:
        case WireKind::Real:
        case WireKind::DateTime:
            writeFixedWidth(out, column, *value);
            return;
        case WireKind::Numeric:
            writeNumeric(out, column, *value);
            return;
        case WireKind::Guid:
            out.u8(kGuidBytes);
            out.raw(guidBytes(*value));
            return;
        case WireKind::Binary: {
            std::vector<std::uint8_t> bytes = bytesOfHex(asAscii(*value));
            bytes.resize(std::min(bytes.size(), column.maxUnits));
            out.u16le(static_cast<std::uint16_t>(bytes.size()));
            out.raw(bytes);
            return;
        }
        case WireKind::Text:
            if (column.singleByteText) {
                const std::string text = asAscii(*value);
                out.u16le(static_cast<std::uint16_t>(text.size()));
                out.raw(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
            } else {
                const std::u16string text = asText(*value);
                out.u16le(static_cast<std::uint16_t>(text.size() * 2));
                out.utf16(text);
            }
            return;
    }
}

}  // namespace devserver::tds

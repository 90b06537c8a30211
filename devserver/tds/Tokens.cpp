#include "Tokens.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "ServerIdentity.h"

namespace devserver::tds {
namespace {

constexpr std::uint8_t kTokenColMetadata = 0x81;
constexpr std::uint8_t kTokenError = 0xAA;
constexpr std::uint8_t kTokenInfo = 0xAB;
constexpr std::uint8_t kTokenLoginAck = 0xAD;
constexpr std::uint8_t kTokenRow = 0xD1;
constexpr std::uint8_t kTokenEnvChange = 0xE3;
constexpr std::uint8_t kTokenReturnStatus = 0x79;
constexpr std::uint8_t kTokenSspi = 0xED;
constexpr std::uint8_t kTokenDone = 0xFD;
constexpr std::uint8_t kTokenDoneProc = 0xFE;
constexpr std::uint8_t kTokenDoneInProc = 0xFF;

constexpr std::uint8_t kTypeIntN = 0x26;
constexpr std::uint8_t kTypeSmallInt = 0x34;
constexpr std::uint8_t kTypeInt = 0x38;
constexpr std::uint8_t kTypeBigInt = 0x7F;
constexpr std::uint8_t kTypeReal = 0x3B;
constexpr std::uint8_t kTypeFloatN = 0x6D;
constexpr std::uint8_t kTypeNVarChar = 0xE7;
constexpr std::uint8_t kTypeNChar = 0xEF;

constexpr std::uint16_t kFlagNullable = 0x0001;
constexpr std::uint16_t kNullText = 0xFFFF;
// Longer texts are cut rather than sent in a layout the client misreads.
constexpr auto kMaxTextUnits = static_cast<std::size_t>(kMaxNVarCharLength);
// Message texts share the token's two-byte length with the other fields.
constexpr std::size_t kMaxMessageUnits = 4000;

enum class WireKind { Integer, Real, Text };

// How one column goes on the wire, settled from its declaration and its values so that
// whatever the engine answers is encoded in a layout the client can read.
struct WireColumn {
    WireKind kind = WireKind::Text;
    std::uint8_t fixedType = 0;  // the non-nullable numeric type
    std::uint8_t width = 4;      // numeric bytes
    bool nullable = true;
    bool fixedWidthText = false;
    std::size_t maxUnits = 1;
};

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
            wire = {WireKind::Integer, kTypeInt, 4, wire.nullable, false, 0};
            return wire;
        case ColumnType::SmallInt:
            wire = {WireKind::Integer, kTypeSmallInt, 2, wire.nullable, false, 0};
            return wire;
        case ColumnType::BigInt:
            wire = {WireKind::Integer, kTypeBigInt, 8, wire.nullable, false, 0};
            return wire;
        case ColumnType::Real:
            wire = {WireKind::Real, kTypeReal, 4, wire.nullable, false, 0};
            return wire;
        case ColumnType::NVarChar:
        case ColumnType::NChar:
            break;
    }
    wire.kind = WireKind::Text;
    wire.fixedWidthText = column.type == ColumnType::NChar;
    wire.maxUnits = static_cast<std::size_t>(std::max(column.length, 1));
    for (const auto& row : rows.rows) {
        if (index < row.size() && row[index].has_value()) {
            wire.maxUnits = std::max(wire.maxUnits, asText(*row[index]).size());
        }
    }
    wire.maxUnits = std::min(wire.maxUnits, kMaxTextUnits);
    return wire;
}

}  // namespace

void TokenWriter::done(std::uint16_t status, std::uint16_t curCmd, std::uint64_t rowCount) {
    doneToken(kTokenDone, status, curCmd, rowCount);
}

void TokenWriter::doneInProc(std::uint16_t status, std::uint16_t curCmd, std::uint64_t rowCount) {
    doneToken(kTokenDoneInProc, status, curCmd, rowCount);
}

void TokenWriter::doneProc(std::uint16_t status) {
    doneToken(kTokenDoneProc, status, 0, 0);
}

void TokenWriter::returnStatus(std::int32_t value) {
    out_.u8(kTokenReturnStatus);
    out_.u32le(static_cast<std::uint32_t>(value));
}

void TokenWriter::doneToken(std::uint8_t token, std::uint16_t status, std::uint16_t curCmd,
                            std::uint64_t rowCount) {
    out_.u8(token);
    out_.u16le(status);
    out_.u16le(curCmd);
    if (hasWideFields(version_)) {
        out_.u64le(rowCount);
    } else {
        out_.u32le(static_cast<std::uint32_t>(rowCount));
    }
}

void TokenWriter::message(const Message& message) {
    std::u16string_view text = message.text;
    text = text.substr(0, std::min(text.size(), kMaxMessageUnits));
    out_.u8(message.severity > 10 ? kTokenError : kTokenInfo);
    std::size_t lengthAt = out_.size();
    out_.u16le(0);
    out_.u32le(static_cast<std::uint32_t>(message.number));
    out_.u8(message.state);
    out_.u8(message.severity);
    out_.usVarchar(text);
    out_.bVarchar(kServerName);
    out_.bVarchar(u"");  // procedure name
    if (hasWideFields(version_)) {
        out_.u32le(1);  // line number
    } else {
        out_.u16le(1);
    }
    out_.patchU16le(lengthAt, static_cast<std::uint16_t>(out_.size() - lengthAt - 2));
}

void TokenWriter::envChange(std::uint8_t type, std::u16string_view newValue,
                            std::u16string_view oldValue) {
    out_.u8(kTokenEnvChange);
    std::size_t lengthAt = out_.size();
    out_.u16le(0);
    out_.u8(type);
    out_.bVarchar(newValue);
    out_.bVarchar(oldValue);
    out_.patchU16le(lengthAt, static_cast<std::uint16_t>(out_.size() - lengthAt - 2));
}

void TokenWriter::envChangeBytes(std::uint8_t type, std::span<const std::uint8_t> newValue,
                                 std::span<const std::uint8_t> oldValue) {
    out_.u8(kTokenEnvChange);
    std::size_t lengthAt = out_.size();
    out_.u16le(0);
    out_.u8(type);
    out_.u8(static_cast<std::uint8_t>(newValue.size()));
    out_.raw(newValue);
    out_.u8(static_cast<std::uint8_t>(oldValue.size()));
    out_.raw(oldValue);
    out_.patchU16le(lengthAt, static_cast<std::uint16_t>(out_.size() - lengthAt - 2));
}

void TokenWriter::sspi(std::span<const std::uint8_t> token) {
    if (token.size() > 0xFFFF) {
        throw std::length_error("GSS-API token longer than an SSPI token can carry");
    }
    out_.u8(kTokenSspi);
    out_.u16le(static_cast<std::uint16_t>(token.size()));
    out_.raw(token);
}

void TokenWriter::loginAck() {
    constexpr std::uint8_t kSqlInterface = 0x01;
    out_.u8(kTokenLoginAck);
    std::size_t lengthAt = out_.size();
    out_.u16le(0);
    out_.u8(kSqlInterface);
    out_.u32be(static_cast<std::uint32_t>(version_));
    out_.bVarchar(kProgramName);
    out_.u8(kVersionMajor);
    out_.u8(kVersionMinor);
    out_.u16be(kVersionBuild);
    out_.patchU16le(lengthAt, static_cast<std::uint16_t>(out_.size() - lengthAt - 2));
}

void TokenWriter::rowSet(const RowSet& rows) {
    if (rows.columns.empty()) {
        return;  // a row set without columns has no wire form; clients never expect one
    }
    std::vector<WireColumn> wire;
    for (std::size_t i = 0; i < rows.columns.size(); ++i) {
        wire.push_back(wireColumn(rows, i));
    }

    out_.u8(kTokenColMetadata);
    out_.u16le(static_cast<std::uint16_t>(rows.columns.size()));
    for (std::size_t i = 0; i < rows.columns.size(); ++i) {
        const WireColumn& column = wire[i];
        if (hasWideFields(version_)) {
            out_.u32le(0);  // user type
        } else {
            out_.u16le(0);
        }
        out_.u16le(column.nullable ? kFlagNullable : 0);
        if (column.kind == WireKind::Integer || column.kind == WireKind::Real) {
            if (column.nullable) {
                out_.u8(column.kind == WireKind::Real ? kTypeFloatN : kTypeIntN);
                out_.u8(column.width);
            } else {
                out_.u8(column.fixedType);
            }
        } else {
            out_.u8(column.fixedWidthText ? kTypeNChar : kTypeNVarChar);
            out_.u16le(static_cast<std::uint16_t>(column.maxUnits * 2));
            out_.raw(kCollation);
        }
        out_.bVarchar(rows.columns[i].name);
    }

    for (const auto& row : rows.rows) {
        out_.u8(kTokenRow);
        for (std::size_t i = 0; i < wire.size(); ++i) {
            const WireColumn& column = wire[i];
            const Value& value = i < row.size() ? row[i] : Value{};
            if (column.kind == WireKind::Integer || column.kind == WireKind::Real) {
                if (!value.has_value()) {
                    out_.u8(0);
                    continue;
                }
                auto number = column.kind == WireKind::Real
                                  ? std::uint64_t{realBits(*value)}
                                  : static_cast<std::uint64_t>(asInteger(*value));
                if (column.nullable) {
                    out_.u8(column.width);
                }
                for (int b = 0; b < column.width; ++b) {
                    out_.u8(static_cast<std::uint8_t>(number >> (8 * b)));
                }
            } else if (!value.has_value()) {
                out_.u16le(kNullText);
            } else {
                std::u16string text = asText(*value);
                out_.u16le(static_cast<std::uint16_t>(text.size() * 2));
                out_.utf16(text);
            }
        }
    }
}

}  // namespace devserver::tds

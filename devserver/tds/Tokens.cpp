#include "Tokens.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "ColumnEncoding.h"
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

constexpr std::uint16_t kFlagNullable = 0x0001;
// Message texts share the token's two-byte length with the other fields.
constexpr std::size_t kMaxMessageUnits = 4000;

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
        if (hasWideFields(version_)) {
            out_.u32le(0);  // user type
        } else {
            out_.u16le(0);
        }
        out_.u16le(wire[i].nullable ? kFlagNullable : 0);
        writeTypeInfo(out_, wire[i]);
        out_.bVarchar(rows.columns[i].name);
    }

    for (const auto& row : rows.rows) {
        out_.u8(kTokenRow);
        for (std::size_t i = 0; i < wire.size(); ++i) {
            writeValue(out_, wire[i], i < row.size() ? row[i] : Value{});
        }
    }
}

}  // namespace devserver::tds

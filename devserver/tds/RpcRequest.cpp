#include "RpcRequest.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "ByteReader.h"
#include "ByteWriter.h"
#include "ProtocolError.h"
#include "SqlBatch.h"

namespace devserver::tds {
namespace {

constexpr std::uint16_t kProcIdFollows = 0xFFFF;
constexpr std::uint8_t kBatchFlag71 = 0x80;
constexpr std::uint8_t kBatchFlag = 0xFF;
constexpr std::uint8_t kNoExecFlag = 0xFE;
constexpr std::size_t kCollationSize = 5;
constexpr std::uint16_t kNullLength = 0xFFFF;
constexpr std::uint16_t kPlpMaxLength = 0xFFFF;
constexpr std::uint64_t kPlpNull = 0xFFFFFFFFFFFFFFFFULL;
constexpr std::uint32_t kLongNull = 0xFFFFFFFF;

// Type bytes of TYPE_INFO.
constexpr std::uint8_t kTinyInt = 0x30;
constexpr std::uint8_t kSmallInt = 0x34;
constexpr std::uint8_t kInt = 0x38;
constexpr std::uint8_t kBigInt = 0x7F;
constexpr std::uint8_t kIntN = 0x26;
constexpr std::uint8_t kBigVarChar = 0xA7;
constexpr std::uint8_t kBigChar = 0xAF;
constexpr std::uint8_t kNVarChar = 0xE7;
constexpr std::uint8_t kNChar = 0xEF;
constexpr std::uint8_t kText = 0x23;
constexpr std::uint8_t kNText = 0x63;

// The procedures MS-TDS lets a client name by number.
constexpr std::array<const char16_t*, 16> kWellKnownProcedures = {
    nullptr,
    u"sp_cursor",
    u"sp_cursoropen",
    u"sp_cursorprepare",
    u"sp_cursorexecute",
    u"sp_cursorprepexec",
    u"sp_cursorunprepare",
    u"sp_cursorfetch",
    u"sp_cursoroption",
    u"sp_cursorclose",
    u"sp_executesql",
    u"sp_prepare",
    u"sp_execute",
    u"sp_prepexec",
    u"sp_prepexecrpc",
    u"sp_unprepare",
};

// Windows-1252 where it differs from Latin-1 (0x80 to 0x9F); the rest maps one to one.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::u16string decodeWindows1252(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    for (std::uint8_t byte : bytes) {
        text.push_back(byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80]
                                                   : static_cast<char16_t>(byte));
    }
    return text;
}

std::u16string procedureName(ByteReader& reader) {
    std::uint16_t length = reader.u16le();
    if (length != kProcIdFollows) {
        return decodeUtf16le(reader.take(static_cast<std::size_t>(length) * 2));
    }
    std::uint16_t id = reader.u16le();
    if (id < kWellKnownProcedures.size() && kWellKnownProcedures[id] != nullptr) {
        return kWellKnownProcedures[id];
    }
    std::string number = std::to_string(id);
    std::u16string name = u"#";
    name.append(number.begin(), number.end());
    return name;
}

std::int64_t signedLittleEndian(std::span<const std::uint8_t> bytes, bool isUnsigned) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        value |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    }
    if (!isUnsigned && bytes.size() < 8 && (bytes.back() & 0x80) != 0) {
        value |= ~std::uint64_t{0} << (8 * bytes.size());  // sign extension
    }
    return static_cast<std::int64_t>(value);
}

Value integerOfWidth(ByteReader& reader, std::size_t width) {
    if (width != 1 && width != 2 && width != 4 && width != 8) {
        throw ProtocolError("integer parameter of an impossible width");
    }
    return signedLittleEndian(reader.take(width), width == 1);  // TINYINT is unsigned
}

// A PLP value: total length, then chunks until one of length 0.
std::optional<Bytes> plpBytes(ByteReader& reader) {
    if (reader.u64le() == kPlpNull) {
        return std::nullopt;
    }
    Bytes bytes;
    for (;;) {
        std::uint32_t chunk = reader.u32le();
        if (chunk == 0) {
            return bytes;
        }
        auto part = reader.take(chunk);
        bytes.insert(bytes.end(), part.begin(), part.end());
    }
}

enum class TextLayout { Short, Long, Plp };

Value textValue(ByteReader& reader, TextLayout layout, bool unicode) {
    std::optional<Bytes> bytes;
    if (layout == TextLayout::Plp) {
        bytes = plpBytes(reader);
    } else if (layout == TextLayout::Long) {
        if (std::uint32_t length = reader.u32le(); length != kLongNull) {
            auto part = reader.take(length);
            bytes.emplace(part.begin(), part.end());
        }
    } else if (std::uint16_t length = reader.u16le(); length != kNullLength) {
        auto part = reader.take(length);
        bytes.emplace(part.begin(), part.end());
    }
    if (!bytes) {
        return std::nullopt;
    }
    return unicode ? decodeUtf16le(*bytes) : decodeWindows1252(*bytes);
}

std::u16string hexByte(std::uint8_t byte) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "0x%02X", byte);
    return {text.data(), text.data() + std::strlen(text.data())};
}

// TYPE_INFO and the value after it.
void readTypedValue(ByteReader& reader, Argument& argument) {
    std::uint8_t type = reader.u8();
    switch (type) {
        case kTinyInt:
        case kSmallInt:
        case kInt:
        case kBigInt: {
            std::size_t width = type == kTinyInt ? 1 : type == kSmallInt ? 2 : type == kInt ? 4 : 8;
            argument.type = width == 8 ? ArgumentType::BigInt : ArgumentType::Int;
            argument.value = integerOfWidth(reader, width);
            return;
        }
        case kIntN: {
            std::size_t declared = reader.u8();
            if (declared != 1 && declared != 2 && declared != 4 && declared != 8) {
                throw ProtocolError("integer parameter of an impossible width");
            }
            std::size_t width = reader.u8();
            argument.type = declared == 8 ? ArgumentType::BigInt : ArgumentType::Int;
            if (width == 0) {
                argument.value = std::nullopt;
            } else if (width != declared) {
                throw ProtocolError("integer parameter wider than its type");
            } else {
                argument.value = integerOfWidth(reader, width);
            }
            return;
        }
        case kNVarChar:
        case kNChar:
        case kBigVarChar:
        case kBigChar: {
            const bool unicode = type == kNVarChar || type == kNChar;
            std::uint16_t maxLength = reader.u16le();
            reader.skip(kCollationSize);
            argument.type = unicode ? ArgumentType::NVarChar : ArgumentType::VarChar;
            argument.value = textValue(
                reader, maxLength == kPlpMaxLength ? TextLayout::Plp : TextLayout::Short, unicode);
            return;
        }
        case kNText:
        case kText: {
            // FreeTDS sends sp_executesql's statement and definition as NTEXT.
            const bool unicode = type == kNText;
            reader.skip(4 + kCollationSize);  // the largest length, the collation
            argument.type = unicode ? ArgumentType::NVarChar : ArgumentType::VarChar;
            argument.value = textValue(reader, TextLayout::Long, unicode);
            return;
        }
        default:
            throw UnmodelledParameter(hexByte(type));
    }
}

bool atCallBoundary(ByteReader& reader, TdsVersion version) {
    if (reader.remaining() == 0) {
        return true;
    }
    std::uint8_t next = reader.take(1)[0];
    bool separator =
        hasWideFields(version) ? (next == kBatchFlag || next == kNoExecFlag) : next == kBatchFlag71;
    if (!separator) {
        reader.seek(reader.position() - 1);
    }
    return separator;
}

ProcedureCall readCall(ByteReader& reader, TdsVersion version) {
    ProcedureCall call;
    call.name = procedureName(reader);
    reader.skip(2);  // OptionFlags: recompile, no metadata, reuse metadata
    while (!atCallBoundary(reader, version)) {
        Argument argument;
        argument.name = decodeUtf16le(reader.take(static_cast<std::size_t>(reader.u8()) * 2));
        reader.skip(1);  // StatusFlags: by reference (output), default value
        readTypedValue(reader, argument);
        call.arguments.push_back(std::move(argument));
    }
    return call;
}

}  // namespace

std::vector<ProcedureCall> decodeRpcRequest(std::span<const std::uint8_t> payload,
                                            TdsVersion version) {
    ByteReader reader(payload);
    reader.seek(requestDataOffset(payload, version));
    std::vector<ProcedureCall> calls;
    do {
        calls.push_back(readCall(reader, version));
    } while (reader.remaining() > 0);
    return calls;
}

}  // namespace devserver::tds

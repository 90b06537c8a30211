#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

// Decodes a server reply into tokens, following MS-TDS rather than the server's code.
// Every length field is checked against the bytes it claims; anything a client would
// choke on (unknown token, wrong length, trailing bytes) throws std::runtime_error.
namespace tdstest {

struct ColumnInfo {
    std::uint8_t type = 0;
    std::uint16_t maxBytes = 0;  // for the text types
    std::uint8_t width = 0;      // for INTN
    bool nullable = false;
    std::u16string name;
};

using Cell = std::optional<std::variant<std::int64_t, std::u16string>>;

struct ColMetadataToken {
    std::vector<ColumnInfo> columns;
};
struct RowToken {
    std::vector<Cell> cells;
};
struct DoneToken {
    std::uint8_t token = 0xFD;
    std::uint16_t status = 0;
    std::uint16_t curCmd = 0;
    std::uint64_t rowCount = 0;
};
struct MessageToken {
    bool error = false;
    std::int32_t number = 0;
    std::uint8_t state = 0;
    std::uint8_t severity = 0;
    std::u16string text;
    std::u16string server;
    std::u16string procedure;
    std::uint32_t line = 0;
};
struct EnvChangeToken {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> newValue;
    std::vector<std::uint8_t> oldValue;
    std::u16string newText() const;
    std::u16string oldText() const;
};
struct LoginAckToken {
    std::uint8_t interface = 0;
    std::uint32_t tdsVersion = 0;  // as the BE field reads
    std::u16string programName;
    std::uint32_t programVersion = 0;
};

struct ReturnStatusToken {
    std::int32_t value = 0;
};
// A GSS-API token of an integrated login.
struct SspiToken {
    std::vector<std::uint8_t> data;
};

using Token = std::variant<ColMetadataToken, RowToken, DoneToken, MessageToken, EnvChangeToken,
                           LoginAckToken, ReturnStatusToken, SspiToken>;

std::vector<Token> decodeReply(std::span<const std::uint8_t> payload, bool wideFields = true);

template <typename T>
std::vector<T> tokensOf(const std::vector<Token>& tokens) {
    std::vector<T> found;
    for (const auto& token : tokens) {
        if (const auto* t = std::get_if<T>(&token)) {
            found.push_back(*t);
        }
    }
    return found;
}

}  // namespace tdstest

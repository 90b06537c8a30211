#include "ReplyTokens.h"

#include <stdexcept>

namespace tdstest {
namespace {

class Cursor {
  public:
    explicit Cursor(std::span<const std::uint8_t> data) : data_(data) {}
    bool atEnd() const { return pos_ == data_.size(); }
    std::size_t position() const { return pos_; }
    std::uint8_t u8() { return need(1)[0]; }
    std::uint16_t u16() {
        auto b = need(2);
        return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
    }
    std::uint32_t u32() {
        auto b = need(4);
        return static_cast<std::uint32_t>(b[0] | (b[1] << 8) | (b[2] << 16)) |
               (static_cast<std::uint32_t>(b[3]) << 24);
    }
    std::uint32_t u32be() {
        auto b = need(4);
        return (static_cast<std::uint32_t>(b[0]) << 24) | static_cast<std::uint32_t>(b[1] << 16) |
               static_cast<std::uint32_t>(b[2] << 8) | b[3];
    }
    std::uint64_t u64() {
        std::uint64_t low = u32();
        return low | (static_cast<std::uint64_t>(u32()) << 32);
    }
    std::u16string text(std::size_t units) {
        auto b = need(units * 2);
        std::u16string out;
        for (std::size_t i = 0; i < b.size(); i += 2) {
            out.push_back(static_cast<char16_t>(b[i] | (b[i + 1] << 8)));
        }
        return out;
    }
    std::vector<std::uint8_t> bytes(std::size_t n) {
        auto b = need(n);
        return {b.begin(), b.end()};
    }

  private:
    std::span<const std::uint8_t> need(std::size_t n) {
        if (pos_ + n > data_.size()) {
            throw std::runtime_error("reply ends inside a token");
        }
        auto part = data_.subspan(pos_, n);
        pos_ += n;
        return part;
    }
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

void checkLength(const Cursor& cursor, std::size_t start, std::uint16_t declared,
                 const char* token) {
    if (cursor.position() - start != declared) {
        throw std::runtime_error(std::string(token) + " length field does not match its content");
    }
}

}  // namespace

std::u16string EnvChangeToken::newText() const {
    Cursor c(newValue);
    return c.text(newValue.size() / 2);
}

std::u16string EnvChangeToken::oldText() const {
    Cursor c(oldValue);
    return c.text(oldValue.size() / 2);
}

std::vector<Token> decodeReply(std::span<const std::uint8_t> payload, bool wide) {
    Cursor in(payload);
    std::vector<Token> tokens;
    std::vector<ColumnInfo> columns;
    while (!in.atEnd()) {
        std::uint8_t token = in.u8();
        switch (token) {
            case 0x81: {
                ColMetadataToken meta;
                std::uint16_t count = in.u16();
                for (std::uint16_t i = 0; i < count; ++i) {
                    ColumnInfo column;
                    wide ? in.u32() : in.u16();  // user type
                    column.nullable = (in.u16() & 0x01) != 0;
                    column.type = in.u8();
                    switch (column.type) {
                        case 0x26:
                            column.width = in.u8();
                            break;
                        case 0x34:
                        case 0x38:
                        case 0x7F:
                            break;
                        case 0xE7:
                        case 0xEF:
                            column.maxBytes = in.u16();
                            in.bytes(5);  // collation
                            break;
                        default:
                            throw std::runtime_error("unexpected column type");
                    }
                    column.name = in.text(in.u8());
                    meta.columns.push_back(column);
                }
                columns = meta.columns;
                tokens.push_back(meta);
                break;
            }
            case 0xD1: {
                RowToken row;
                for (const auto& column : columns) {
                    auto fixedInteger = [&](int width) -> std::int64_t {
                        std::uint64_t v = 0;
                        for (int b = 0; b < width; ++b) {
                            v |= static_cast<std::uint64_t>(in.u8()) << (8 * b);
                        }
                        int shift = 64 - 8 * width;
                        return static_cast<std::int64_t>(v << shift) >> shift;
                    };
                    switch (column.type) {
                        case 0x26: {
                            std::uint8_t len = in.u8();
                            if (len == 0) {
                                row.cells.emplace_back();
                            } else if (len != column.width) {
                                throw std::runtime_error("INTN value of the wrong width");
                            } else {
                                row.cells.emplace_back(fixedInteger(len));
                            }
                            break;
                        }
                        case 0x34:
                            row.cells.emplace_back(fixedInteger(2));
                            break;
                        case 0x38:
                            row.cells.emplace_back(fixedInteger(4));
                            break;
                        case 0x7F:
                            row.cells.emplace_back(fixedInteger(8));
                            break;
                        default: {
                            std::uint16_t len = in.u16();
                            if (len == 0xFFFF) {
                                row.cells.emplace_back();
                            } else if (len > column.maxBytes || len % 2 != 0) {
                                throw std::runtime_error("text value longer than its column");
                            } else {
                                row.cells.emplace_back(in.text(len / 2));
                            }
                        }
                    }
                }
                tokens.push_back(row);
                break;
            }
            case 0xFD:
            case 0xFE:
            case 0xFF: {
                DoneToken done;
                done.token = token;
                done.status = in.u16();
                done.curCmd = in.u16();
                done.rowCount = wide ? in.u64() : in.u32();
                tokens.push_back(done);
                break;
            }
            case 0x79:
                tokens.push_back(ReturnStatusToken{static_cast<std::int32_t>(in.u32())});
                break;
            case 0xAA:
            case 0xAB: {
                MessageToken message;
                message.error = token == 0xAA;
                std::uint16_t length = in.u16();
                std::size_t start = in.position();
                message.number = static_cast<std::int32_t>(in.u32());
                message.state = in.u8();
                message.severity = in.u8();
                message.text = in.text(in.u16());
                message.server = in.text(in.u8());
                message.procedure = in.text(in.u8());
                message.line = wide ? in.u32() : in.u16();
                checkLength(in, start, length, "ERROR/INFO");
                tokens.push_back(message);
                break;
            }
            case 0xE3: {
                EnvChangeToken change;
                std::uint16_t length = in.u16();
                std::size_t start = in.position();
                change.type = in.u8();
                bool binary = change.type >= 7 && change.type <= 10;
                std::size_t newLength = in.u8();
                change.newValue = in.bytes(binary ? newLength : newLength * 2);
                std::size_t oldLength = in.u8();
                change.oldValue = in.bytes(binary ? oldLength : oldLength * 2);
                checkLength(in, start, length, "ENVCHANGE");
                tokens.push_back(change);
                break;
            }
            case 0xAD: {
                LoginAckToken ack;
                std::uint16_t length = in.u16();
                std::size_t start = in.position();
                ack.interface = in.u8();
                ack.tdsVersion = in.u32be();
                ack.programName = in.text(in.u8());
                ack.programVersion = in.u32be();
                checkLength(in, start, length, "LOGINACK");
                tokens.push_back(ack);
                break;
            }
            case 0xED: {
                SspiToken sspi;
                sspi.data = in.bytes(in.u16());
                tokens.push_back(sspi);
                break;
            }
            default:
                throw std::runtime_error("unknown token " + std::to_string(token));
        }
    }
    return tokens;
}

}  // namespace tdstest

#include "BatchLog.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "devserver/engine/Text.h"

namespace devserver::tds {
namespace {

std::string jsonString(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (char c : utf8) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (byte < 0x20) {
                    out += "\\u00";
                    out += kHex[byte >> 4];
                    out += kHex[byte & 0xF];
                } else {
                    out += c;  // non-ASCII stays UTF-8, which JSON allows
                }
        }
    }
    out += '"';
    return out;
}

std::u16string sqlQuoted(std::u16string_view text) {
    std::u16string out = u"'";
    for (char16_t c : text) {
        out += c;
        if (c == u'\'') {
            out += c;
        }
    }
    return out + u"'";
}

std::u16string argumentText(const Argument& argument) {
    std::u16string value;
    if (!argument.value) {
        value = u"NULL";
    } else if (const auto* number = std::get_if<std::int64_t>(&*argument.value)) {
        value = text::fromAscii(std::to_string(*number));
    } else {
        const auto& textValue = std::get<std::u16string>(*argument.value);
        value = (argument.type == ArgumentType::NVarChar ? u"N" : u"") + sqlQuoted(textValue);
    }
    return argument.name.empty() ? value : argument.name + u" = " + value;
}

// The fields every line starts with: the session and its login.
std::string lineStart(int spid, std::u16string_view login) {
    return "{\"spid\": " + std::to_string(spid) + ", \"login\": " + jsonString(text::toUtf8(login));
}

}  // namespace

std::string callLogLine(int spid, std::u16string_view login, const ProcedureCall& call) {
    std::u16string arguments;
    for (const Argument& argument : call.arguments) {
        arguments += (arguments.empty() ? u"" : u", ") + argumentText(argument);
    }
    return lineStart(spid, login) + ", \"rpc\": " + jsonString(text::toUtf8(call.name)) +
           ", \"arguments\": " + jsonString(text::toUtf8(arguments)) + "}";
}

std::string batchLogLine(int spid, std::u16string_view login, std::u16string_view sql) {
    return lineStart(spid, login) + ", \"sql\": " + jsonString(text::toUtf8(sql)) + "}";
}

BatchLog::BatchLog(const std::filesystem::path& path) : file_(std::fopen(path.c_str(), "ab")) {
    if (file_ == nullptr) {
        throw std::runtime_error("cannot open the log " + path.string() + ": " +
                                 std::strerror(errno));
    }
}

BatchLog::~BatchLog() {
    std::fclose(file_);
}

void BatchLog::record(int spid, std::u16string_view login, std::u16string_view sql) {
    append(batchLogLine(spid, login, sql) + "\n");
}

void BatchLog::recordCall(int spid, std::u16string_view login, const ProcedureCall& call) {
    append(callLogLine(spid, login, call) + "\n");
}

void BatchLog::recordAttention(int spid, std::u16string_view login) {
    append(lineStart(spid, login) + ", \"attention\": true}\n");
}

void BatchLog::append(const std::string& line) {
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
}

}  // namespace devserver::tds

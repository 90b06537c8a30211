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

}  // namespace

std::string batchLogLine(int spid, std::u16string_view login, std::u16string_view sql) {
    return "{\"spid\": " + std::to_string(spid) +
           ", \"login\": " + jsonString(text::toUtf8(login)) +
           ", \"sql\": " + jsonString(text::toUtf8(sql)) + "}";
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
    std::string line = batchLogLine(spid, login, sql) + "\n";
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
}

}  // namespace devserver::tds

#include "RecordingRelay.h"

namespace {

std::string utf16le(const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

}  // namespace

RecordingRelay::RecordingRelay(int serverPort)
    : relay_(serverPort, {.pass = [this](std::string_view chunk, bool fromClient, bool) {
                              record(chunk, fromClient);
                              return true;
                          }}) {}

RecordingRelay::~RecordingRelay() = default;

std::string RecordingRelay::fromClient() const {
    const std::lock_guard lock(mutex_);
    return fromClient_;
}

std::string RecordingRelay::recorded() const {
    std::lock_guard lock(mutex_);
    return fromClient_ + fromServer_;
}

bool RecordingRelay::sawBytes(std::span<const unsigned char> bytes) const {
    const std::string_view wanted(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::lock_guard lock(mutex_);
    return fromClient_.find(wanted) != std::string::npos ||
           fromServer_.find(wanted) != std::string::npos;
}

bool RecordingRelay::sawUtf16(const std::u16string& text) const {
    const std::string bytes = utf16le(text);
    return sawBytes(std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
}

bool RecordingRelay::sawLoginPassword(const std::u16string& password) const {
    std::string scrambled = utf16le(password);
    for (char& c : scrambled) {
        const auto byte = static_cast<unsigned char>(c);
        c = static_cast<char>(static_cast<unsigned char>((byte << 4) | (byte >> 4)) ^ 0xA5);
    }
    return sawBytes(
        std::span(reinterpret_cast<const unsigned char*>(scrambled.data()), scrambled.size()));
}

void RecordingRelay::record(std::string_view chunk, bool fromClient) {
    std::lock_guard lock(mutex_);
    (fromClient ? fromClient_ : fromServer_).append(chunk);
}

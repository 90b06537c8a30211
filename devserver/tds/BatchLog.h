#pragma once

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace devserver::tds {

// The JSON-lines record of every batch received, in arrival order, which tests read to
// assert what a client really sent and as whom:
// {"spid": 52, "login": "sa", "sql": "<exact text>"}. Each line is
// flushed at once so that a reader never waits for a buffer.
class BatchLog {
  public:
    // Appends to the file; throws std::runtime_error when it cannot be opened.
    explicit BatchLog(const std::filesystem::path& path);
    ~BatchLog();
    BatchLog(const BatchLog&) = delete;
    BatchLog& operator=(const BatchLog&) = delete;

    void record(int spid, std::u16string_view login, std::u16string_view sql);

  private:
    std::mutex mutex_;
    std::FILE* file_;
};

// One log line (without its newline).
std::string batchLogLine(int spid, std::u16string_view login, std::u16string_view sql);

}  // namespace devserver::tds

#pragma once

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

#include "devserver/engine/Procedure.h"

namespace devserver::tds {

// The JSON-lines record of every batch and remote procedure call received, in arrival
// order, which tests read to assert what a client really sent and as which login:
//   {"spid": 52, "login": "sa", "sql": "<exact text>"}     a SQL batch
//   {"spid": 52, "login": "sa", "rpc": "<procedure>", "arguments": "<list>"}
//                            a call, its arguments written as EXEC would take them
//   {"spid": 52, "login": "sa", "attention": true}           an attention
// Each line is flushed at once so that a reader never waits for a buffer.
class BatchLog {
  public:
    // Appends to the file; throws std::runtime_error when it cannot be opened.
    explicit BatchLog(const std::filesystem::path& path);
    ~BatchLog();
    BatchLog(const BatchLog&) = delete;
    BatchLog& operator=(const BatchLog&) = delete;

    void record(int spid, std::u16string_view login, std::u16string_view sql);
    void recordCall(int spid, std::u16string_view login, const ProcedureCall& call);
    void recordAttention(int spid, std::u16string_view login);

  private:
    void append(const std::string& line);

    std::mutex mutex_;
    std::FILE* file_;
};

// One log line (without its newline).
std::string batchLogLine(int spid, std::u16string_view login, std::u16string_view sql);
std::string callLogLine(int spid, std::u16string_view login, const ProcedureCall& call);

}  // namespace devserver::tds

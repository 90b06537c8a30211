#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

// Outside programs a test helper runs, such as the MIT Kerberos tools. Each child is killed
// by the kernel should the test process die (parent-death signal), so none outlives a test.

// The full path of an installed program, looked up on PATH and in the system folders that
// hold administrators' programs; empty when it is not installed.
std::filesystem::path findProgram(const std::string& name);

// Runs a program to its end with `input` as its standard input and returns what it wrote
// (standard output and error together). Throws std::runtime_error, with that output, when it
// cannot be started, does not end within `timeout` (it is then killed) or ends other than
// with 0.
std::string runProgram(const std::vector<std::string>& argv, const std::string& input = {},
                       std::chrono::milliseconds timeout = std::chrono::seconds(10));

// A program left running while a test needs it; its output goes to a file. Stopped (SIGTERM,
// then SIGKILL) when the object goes. Must be created and destroyed on the same thread.
class BackgroundProgram {
  public:
    BackgroundProgram(const std::vector<std::string>& argv, const std::filesystem::path& output);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    // False once it has ended on its own.
    bool running();
    void stop();

  private:
    pid_t pid_ = -1;
};

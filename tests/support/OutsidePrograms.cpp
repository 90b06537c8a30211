#include "OutsidePrograms.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStopTimeout = std::chrono::seconds(5);

std::vector<char*> argumentPointers(std::vector<std::string>& arguments) {
    std::vector<char*> pointers;
    pointers.reserve(arguments.size() + 1);
    for (std::string& argument : arguments) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// In the child, between fork and exec: only async-signal-safe calls.
void becomeProgram(pid_t parent, int input, int output, std::vector<char*>& argv) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
        ::_exit(127);
    }
    ::dup2(input, STDIN_FILENO);
    ::dup2(output, STDOUT_FILENO);
    ::dup2(output, STDERR_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

std::string describe(const std::vector<std::string>& argv) {
    std::string text;
    for (const std::string& argument : argv) {
        text += (text.empty() ? "" : " ") + argument;
    }
    return text;
}

int waitUntilEnded(pid_t pid, Clock::time_point deadline) {
    int status = 0;
    pid_t done = 0;
    while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (done == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return status;
}

}  // namespace

std::filesystem::path findProgram(const std::string& name) {
    std::string folders = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    folders += ":/usr/sbin:/sbin:/usr/bin:/bin";
    std::istringstream list(folders);
    std::string folder;
    while (std::getline(list, folder, ':')) {
        std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

std::string runProgram(const std::vector<std::string>& argv, const std::string& input,
                       std::chrono::milliseconds timeout) {
    std::vector<std::string> arguments = argv;
    std::vector<char*> pointers = argumentPointers(arguments);
    std::array<int, 2> toChild{};
    std::array<int, 2> fromChild{};
    if (::pipe2(toChild.data(), O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot create a pipe for " + argv[0]);
    }
    if (::pipe2(fromChild.data(), O_CLOEXEC) != 0) {
        ::close(toChild[0]);
        ::close(toChild[1]);
        throw std::runtime_error("cannot create a pipe for " + argv[0]);
    }
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        becomeProgram(parent, toChild[0], fromChild[1], pointers);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    if (child < 0) {
        ::close(toChild[1]);
        ::close(fromChild[0]);
        throw std::runtime_error("cannot start " + argv[0]);
    }
    // The inputs here are a line or two: far below what a pipe holds.
    if (!input.empty() && ::write(toChild[1], input.data(), input.size()) < 0) {
        // The program ended without reading; its exit status tells why.
    }
    ::close(toChild[1]);

    std::string output;
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        pollfd readable{fromChild[0], POLLIN, 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (::poll(&readable, 1, static_cast<int>(left.count()) + 1) <= 0) {
            continue;
        }
        std::array<char, 4096> buffer{};
        const ssize_t n = ::read(fromChild[0], buffer.data(), buffer.size());
        if (n <= 0) {
            break;
        }
        output.append(buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(fromChild[0]);
    const int status = waitUntilEnded(child, deadline);
    if (status == -1) {
        throw std::runtime_error(describe(argv) + " did not end in time; it said: " + output);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(describe(argv) + " failed; it said: " + output);
    }
    return output;
}

BackgroundProgram::BackgroundProgram(const std::vector<std::string>& argv,
                                     const std::filesystem::path& output) {
    std::vector<std::string> arguments = argv;
    std::vector<char*> pointers = argumentPointers(arguments);
    const int outputFile = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (outputFile < 0 || nothing < 0) {
        throw std::runtime_error("cannot open the output file of " + argv[0]);
    }
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        becomeProgram(parent, nothing, outputFile, pointers);
    }
    ::close(outputFile);
    ::close(nothing);
    if (child < 0) {
        throw std::runtime_error("cannot start " + argv[0]);
    }
    pid_ = child;
}

BackgroundProgram::~BackgroundProgram() {
    stop();
}

bool BackgroundProgram::running() {
    if (pid_ <= 0) {
        return false;
    }
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

void BackgroundProgram::stop() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGTERM);
    waitUntilEnded(pid_, Clock::now() + kStopTimeout);
    pid_ = -1;
}

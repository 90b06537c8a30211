#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "Measure.h"

namespace bench {

namespace {

std::string describe(const std::vector<std::string>& argv) {
    std::string text;
    for (const std::string& word : argv) {
        text += (text.empty() ? "" : " ") + word;
    }
    return text;
}

// A pidfd turns "the child has ended" into something poll can wait for with a time-out,
// so the reaping is not delayed by a sleep loop.
int openPidFd(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

}  // namespace

ChildRun runChild(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
    std::vector<char*> pointers;
    for (const std::string& word : argv) {
        pointers.push_back(const_cast<char*>(word.c_str()));
    }
    pointers.push_back(nullptr);

    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot create a pipe for " + describe(argv));
    }
    const pid_t parent = ::getpid();
    const auto start = Clock::now();
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(output[0]);
        ::close(output[1]);
        throw std::runtime_error("cannot fork for " + describe(argv));
    }
    if (child == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::dup2(output[1], STDOUT_FILENO);
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    ::close(output[1]);

    const int pidfd = openPidFd(child);
    bool ended = true;
    if (pidfd >= 0) {
        pollfd exited{pidfd, POLLIN, 0};
        ended = ::poll(&exited, 1, static_cast<int>(timeout.count())) > 0;
        ::close(pidfd);
    }
    if (!ended) {
        ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    const double seconds = secondsSince(start);
    // The child writes a line or two, well within the pipe's buffer, so it never blocks on
    // a full pipe and reading after the end loses nothing.
    std::string text;
    char buffer[512];
    ssize_t n = 0;
    while ((n = ::read(output[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(output[0]);
    if (!ended) {
        throw std::runtime_error(describe(argv) + " did not end in time");
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(describe(argv) + " failed (status " + std::to_string(status) +
                                 ")");
    }
    return {seconds, std::move(text)};
}

}  // namespace bench

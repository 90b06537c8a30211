#include "DevServerProcess.h"

#include "devserver/engine/Escapes.h"
#include "devserver/engine/Text.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef DEVSERVER_PATH
#error "DEVSERVER_PATH must name the devserver binary (link devserver_harness)"
#endif

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kReadyTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(5);

std::filesystem::path makeTemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "devserver-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder for the devserver");
    }
    return pattern;
}

// Just enough JSON for the server's log lines: one flat object of numbers and strings.
class LogLineParser {
  public:
    explicit LogLineParser(const std::string& line) : text_(line) {}

    DevServerProcess::LoggedBatch parse() {
        DevServerProcess::LoggedBatch batch;
        expect('{');
        for (;;) {
            std::string key = string();
            expect(':');
            skipBlanks();
            if (key == "spid") {
                batch.spid = number();
            } else if (key == "login") {
                batch.login = string();
            } else if (key == "sql") {
                batch.sql = string();
            } else if (key == "rpc") {
                batch.rpc = string();
            } else if (key == "arguments") {
                batch.arguments = string();
            } else if (key == "attention") {
                batch.attention = text_.compare(pos_, 4, "true") == 0;
                pos_ += batch.attention ? 4 : 0;
                if (!batch.attention) {
                    number();
                }
            } else if (peek() == '"') {
                string();
            } else {
                number();
            }
            skipBlanks();
            if (peek() == ',') {
                ++pos_;
                continue;
            }
            expect('}');
            return batch;
        }
    }

  private:
    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
    void skipBlanks() {
        while (peek() == ' ' || peek() == '\t') {
            ++pos_;
        }
    }
    void expect(char c) {
        skipBlanks();
        if (peek() != c) {
            throw std::runtime_error("malformed devserver log line: " + text_);
        }
        ++pos_;
    }
    int number() {
        skipBlanks();
        std::size_t used = 0;
        int value = std::stoi(text_.substr(pos_), &used);
        pos_ += used;
        return value;
    }
    unsigned hex4() {
        if (pos_ + 4 > text_.size()) {
            throw std::runtime_error("malformed escape in devserver log: " + text_);
        }
        unsigned value = static_cast<unsigned>(std::stoul(text_.substr(pos_, 4), nullptr, 16));
        pos_ += 4;
        return value;
    }
    std::string string() {
        expect('"');
        std::string out;
        while (peek() != '"') {
            if (pos_ >= text_.size()) {
                throw std::runtime_error("unterminated string in devserver log: " + text_);
            }
            char c = text_[pos_++];
            if (c != '\\') {
                out += c;
                continue;
            }
            const char escaped = text_.at(pos_++);
            if (escaped == 'u') {
                std::u16string units(1, static_cast<char16_t>(hex4()));
                if (units[0] >= 0xD800 && units[0] <= 0xDBFF && text_.compare(pos_, 2, "\\u") == 0) {
                    pos_ += 2;
                    units += static_cast<char16_t>(hex4());
                }
                out += devserver::text::toUtf8(units);
            } else {
                out += devserver::escapes::rawFor(escaped, devserver::escapes::kJson).value_or(escaped);
            }
        }
        ++pos_;
        return out;
    }

    const std::string& text_;
    std::size_t pos_ = 0;
};

}  // namespace

DevServerProcess::DevServerProcess() : DevServerProcess(Options{}) {}

DevServerProcess::DevServerProcess(Options options) : options_(std::move(options)) {
    root_ = makeTemporaryFolder();
    dataDir_ = root_ / "data";
    logPath_ = root_ / "batches.jsonl";
    try {
        start(0);
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
        throw;
    }
}

DevServerProcess::~DevServerProcess() {
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void DevServerProcess::start(int port) {
    std::vector<std::string> arguments = {
        DEVSERVER_PATH,    "--port",          std::to_string(port),
        "--data",          dataDir_.string(), "--log",
        logPath_.string(), "--sa-password",   options_.saPassword};
    if (options_.seedDatabases > 0) {
        arguments.insert(arguments.end(),
                         {"--seed-databases", std::to_string(options_.seedDatabases)});
    }
    if (options_.ioRateMegabytesPerSecond > 0) {
        arguments.insert(arguments.end(),
                         {"--io-rate", std::to_string(options_.ioRateMegabytesPerSecond)});
    }
    if (options_.windowsHost) {
        arguments.insert(arguments.end(), {"--windows-drive", "D=" + root_.string()});
    }
    arguments.insert(arguments.end(), options_.extraArguments.begin(),
                     options_.extraArguments.end());
    const char* trustedCertificate = std::getenv("DBTOOL_TEST_TLS_CERT");
    const bool givenOne = std::find(arguments.begin(), arguments.end(), "--tls-cert") !=
                          arguments.end();
    if (trustedCertificate != nullptr && !options_.ownCertificate && !givenOne) {
        arguments.insert(arguments.end(), {"--tls-cert", trustedCertificate, "--tls-key",
                                           std::getenv("DBTOOL_TEST_TLS_KEY")});
    }
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::string errorsPath = (root_ / "server-errors.txt").string();

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot create a pipe for the devserver");
    }
    pid_t parent = ::getpid();
    pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        throw std::runtime_error("cannot start the devserver");
    }
    if (child == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        int errors = ::open(errorsPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (errors >= 0) {
            ::dup2(errors, STDERR_FILENO);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    pid_ = child;

    std::string output;
    auto deadline = Clock::now() + kReadyTimeout;
    while (output.find('\n') == std::string::npos && Clock::now() < deadline) {
        pollfd readable{pipeEnds[0], POLLIN, 0};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (::poll(&readable, 1, static_cast<int>(left.count()) + 1) <= 0) {
            continue;
        }
        char buffer[256];
        ssize_t n = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;  // the server ended before it was ready
        }
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeEnds[0]);

    std::istringstream firstLine(output.substr(0, output.find('\n')));
    std::string word;
    std::string address;
    firstLine >> word >> address;
    std::size_t colon = address.rfind(':');
    if (word != "ready" || colon == std::string::npos) {
        stop();
        const std::string errors = serverErrors();
        throw std::runtime_error("the devserver did not become ready; it said: " + output +
                                 (errors.empty() ? "" : "\nits error output: " + errors));
    }
    port_ = std::stoi(address.substr(colon + 1));
}

std::string DevServerProcess::serverPath(const std::string& belowRoot) const {
    if (!options_.windowsHost) {
        return (root_ / belowRoot).lexically_normal().string();
    }
    std::string path = "D:\\" + belowRoot;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

int DevServerProcess::stop() {
    if (pid_ <= 0) {
        return 0;
    }
    ::kill(pid_, SIGTERM);
    int status = 0;
    auto deadline = Clock::now() + kStopTimeout;
    pid_t done = 0;
    while ((done = ::waitpid(pid_, &status, WNOHANG)) == 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done == 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? -WTERMSIG(status) : -1;
}

void DevServerProcess::crash() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

void DevServerProcess::restart() {
    int previousPort = port_;
    stop();
    try {
        start(previousPort);
    } catch (const std::runtime_error&) {
        start(0);  // someone else took the port meanwhile
    }
}

std::vector<DevServerProcess::LoggedBatch> DevServerProcess::readLog() const {
    std::vector<LoggedBatch> batches;
    std::ifstream in(logPath_, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) {
            batches.push_back(LogLineParser(line).parse());
        }
    }
    return batches;
}

std::string DevServerProcess::odbcConnectionString(const std::string& database,
                                                   const std::string& tdsVersion,
                                                   const std::string& encryption) const {
    return "DRIVER={FreeTDS};SERVER=127.0.0.1," + std::to_string(port_) + ";DATABASE=" + database +
           ";UID=sa;PWD={" + options_.saPassword + "};TDS_Version=" + tdsVersion +
           ";ClientCharset=UTF-8" + (encryption.empty() ? "" : ";Encryption=" + encryption);
}

std::string DevServerProcess::serverErrors() const {
    std::ifstream in(root_ / "server-errors.txt");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

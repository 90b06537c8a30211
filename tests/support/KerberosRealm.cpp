#include "KerberosRealm.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "OutsidePrograms.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kKdcReadyTimeout = std::chrono::seconds(5);
constexpr int kPortAttempts = 3;
constexpr std::array kPrograms = {"krb5kdc", "kdb5_util", "kadmin.local", "kinit", "kdestroy"};
constexpr std::array kEnvironment = {"KRB5_CONFIG", "KRB5_KDC_PROFILE", "KRB5CCNAME"};

std::filesystem::path makeTemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "krb5-realm-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder for the Kerberos realm");
    }
    return pattern;
}

// A loopback port nobody listens on at the moment; the KDC is given it right after.
int freeLoopbackPort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    ::close(probe);
    if (!bound) {
        throw std::runtime_error("cannot find a free loopback port for the KDC");
    }
    return ntohs(address.sin_port);
}

bool accepting(int port) {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return connected;
}

std::string program(const char* name) {
    return findProgram(name).string();
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::string KerberosRealm::missingPrograms() {
    std::string missing;
    for (const char* name : kPrograms) {
        if (findProgram(name).empty()) {
            missing += (missing.empty() ? "" : ", ") + std::string(name);
        }
    }
    return missing;
}

std::string KerberosRealm::principalOf(const std::string& user) {
    return user + "@" + kName;
}

std::string KerberosRealm::windowsNameOf(const std::string& user) {
    return std::string(kName) + "\\" + user;
}

KerberosRealm::KerberosRealm() : root_(makeTemporaryFolder()) {
    keytab_ = root_ / "server.keytab";
    credentialCache_ = root_ / "ccache";
    for (const char* name : kEnvironment) {
        const char* value = std::getenv(name);
        savedEnvironment_[name] =
            value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    }
    ::setenv("KRB5_CONFIG", (root_ / "krb5.conf").c_str(), 1);
    ::setenv("KRB5_KDC_PROFILE", (root_ / "kdc.conf").c_str(), 1);
    ::setenv("KRB5CCNAME", ("FILE:" + credentialCache_.string()).c_str(), 1);
    try {
        for (int attempt = 1;; ++attempt) {
            port_ = freeLoopbackPort();
            writeConfiguration();
            try {
                startKdc();
                break;
            } catch (const std::runtime_error&) {
                if (attempt == kPortAttempts) {
                    throw;
                }  // someone took the port meanwhile: another one
            }
        }
    } catch (...) {
        tearDown();
        throw;
    }
}

KerberosRealm::~KerberosRealm() {
    tearDown();
}

void KerberosRealm::tearDown() noexcept {
    kdc_.reset();
    for (const auto& [name, value] : savedEnvironment_) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
    savedEnvironment_.clear();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void KerberosRealm::writeConfiguration() {
    const std::string kdc = "127.0.0.1:" + std::to_string(port_);
    {
        std::ofstream client(root_ / "krb5.conf");
        // Only this realm, found without DNS; TCP so that a KDC that is down is noticed at
        // once rather than after UDP retries.
        client << "[libdefaults]\n"
               << " default_realm = " << kName << "\n"
               << " dns_lookup_kdc = false\n dns_lookup_realm = false\n"
               << " dns_canonicalize_hostname = false\n rdns = false\n"
               << " udp_preference_limit = 1\n"
               << " clockskew = " << kClockSkew.count() << "\n"
               << "[realms]\n " << kName << " = {\n  kdc = " << kdc << "\n }\n";
    }
    {
        std::ofstream server(root_ / "kdc.conf");
        server << "[kdcdefaults]\n kdc_ports = " << port_ << "\n kdc_tcp_ports = " << port_
               << "\n[realms]\n " << kName << " = {\n"
               << "  database_name = " << database().string() << "\n"
               << "  key_stash_file = " << stash().string() << "\n"
               << "  acl_file = " << (root_ / "kadm5.acl").string() << "\n"
               << "  kdc_listen = " << kdc << "\n  kdc_tcp_listen = " << kdc << "\n }\n"
               << "[logging]\n kdc = FILE:" << (root_ / "kdc.log").string() << "\n";
    }
    if (!std::filesystem::exists(database())) {
        // The files named on the command line as well, so that nothing can land in the
        // machine's own KDC folders. -W: the master key from the fast random source; this
        // realm lives for one test.
        runProgram({program("kdb5_util"), "-r", kName, "-d", database().string(), "-sf",
                    stash().string(), "create", "-s", "-W", "-P", "master-key-of-a-test-realm"});
    }
}

std::string KerberosRealm::administer(const std::string& command) {
    return runProgram(
        {program("kadmin.local"), "-r", kName, "-d", database().string(), "-q", command});
}

void KerberosRealm::addUser(const std::string& name) {
    const std::string password = "pw-" + name + "-" + std::to_string(port_);
    administer("addprinc -pw " + password + " " + name);
    passwords_[name] = password;
}

void KerberosRealm::addService(const std::string& principal) {
    administer("addprinc -randkey " + principal);
    administer("ktadd -k " + keytab_.string() + " " + principal);
}

void KerberosRealm::logIn(const std::string& user, std::chrono::seconds lifetime) {
    runProgram({program("kinit"), "-l", std::to_string(lifetime.count()) + "s", user},
               passwords_.at(user) + "\n");
}

void KerberosRealm::logOut() {
    runProgram({program("kdestroy"), "-q"});
}

void KerberosRealm::stopKdc() {
    kdc_.reset();
}

void KerberosRealm::startKdc() {
    kdc_.reset();
    const auto output = root_ / "kdc.out";
    kdc_ = std::make_unique<BackgroundProgram>(
        std::vector<std::string>{program("krb5kdc"), "-n", "-r", kName, "-d", database().string()},
        output);
    const auto deadline = Clock::now() + kKdcReadyTimeout;
    while (!accepting(port_)) {
        if (!kdc_->running() || Clock::now() > deadline) {
            kdc_.reset();
            throw std::runtime_error("the KDC did not start; it said: " + fileText(output) +
                                     fileText(root_ / "kdc.log"));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

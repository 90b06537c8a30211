#include "ToolTestEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TestCertificates.h"
#include "session/OwnFreeTdsFile.h"

namespace {

std::filesystem::path& folder() {
    static std::filesystem::path made;
    return made;
}

void removeFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder(), ignored);
}

}  // namespace

void prepareToolTestEnvironment() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dbtool-tool-XXXXXX").string();
    folder() = ::mkdtemp(pattern.data());
    std::atexit(removeFolder);
    for (const char* variable : {"XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
        const std::filesystem::path place = folder() / variable;
        std::filesystem::create_directories(place);
        ::setenv(variable, place.c_str(), 1);
    }
    const auto authority = test_certificates::makeAuthority(folder());
    const auto server =
        test_certificates::issue(authority, {"127.0.0.1", "localhost", "::1"}, folder(), "server");
    ::setenv("SSL_CERT_FILE", authority.certificate.c_str(), 1);
    ::setenv("DBTOOL_TEST_TLS_CERT", server.certificate.c_str(), 1);
    ::setenv("DBTOOL_TEST_TLS_KEY", server.key.c_str(), 1);
    own_freetds::adopt();
}

#include "RealmFixture.h"

void RealmFixture::SetUp() {
    if (const std::string missing = KerberosRealm::missingPrograms(); !missing.empty()) {
        GTEST_SKIP() << "MIT Kerberos is not installed (no " << missing
                     << "): scripts/setup installs it";
    }
    realm.emplace();
    realm->addUser(kAlice);
    realm->addUser(kBob);
    DevServerProcess::Options options;
    options.extraArguments = {"--keytab", realm->keytab().string(), "--windows-login",
                              KerberosRealm::windowsNameOf(kAlice)};
    server.emplace(options);
    // The server reads its keytab at each login, so the keys may follow its port.
    realm->addService(servicePrincipalFor(server->port()));
    realm->logIn(kAlice);
}

std::string RealmFixture::servicePrincipalFor(int port) {
    return "MSSQLSvc/127.0.0.1:" + std::to_string(port);
}

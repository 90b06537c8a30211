#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/DevServerProcess.h"
#include "support/KerberosRealm.h"

// A private realm and a development server that accepts its Windows logins: the server has
// the keys of MSSQLSvc/127.0.0.1:<its port>, alice has a login, bob is a principal without
// one. alice holds a ticket when the test starts. Skips the test, with one line, where MIT
// Kerberos is not installed.
class RealmFixture : public ::testing::Test {
  protected:
    static constexpr const char* kAlice = "alice";
    static constexpr const char* kBob = "bob";

    void SetUp() override;

    // The service principal FreeTDS asks for when told "127.0.0.1,<port>".
    static std::string servicePrincipalFor(int port);

    // Declared in this order so that the server stops before the realm goes.
    std::optional<KerberosRealm> realm;
    std::optional<DevServerProcess> server;
};

#include <gtest/gtest.h>

#include "session/OdbcDiagnostics.h"

TEST(OdbcDiagnostics, DriverPrefixesAreRemovedAndTheMessageKept) {
    EXPECT_EQ(withoutVendorPrefixes("[FreeTDS][SQL Server]Login failed for user 'sa'."),
              "Login failed for user 'sa'.");
    EXPECT_EQ(withoutVendorPrefixes("[unixODBC][FreeTDS][SQL Server]Unable to connect"),
              "Unable to connect");
    EXPECT_EQ(withoutVendorPrefixes("Cannot open backup device 'D:\\[x]\\a.bak'."),
              "Cannot open backup device 'D:\\[x]\\a.bak'.");
    EXPECT_EQ(withoutVendorPrefixes("[unterminated"), "[unterminated");
}

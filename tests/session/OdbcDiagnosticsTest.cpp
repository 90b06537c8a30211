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

#include "session/EncryptionRefusal.h"

// What FreeTDS reports when it refuses a server that cannot encrypt, against its reports of
// other failed connects (taken from the driver against the development server and against
// closed and silent ports).
TEST(EncryptionRefusal, IsToldApartFromOtherFailedConnects) {
    using encryption_refusal::isEncryptionRefusal;
    EXPECT_TRUE(isEncryptionRefusal({{"08001", 0}, {"01000", 20002}}));
    EXPECT_FALSE(isEncryptionRefusal({{"08S01", 20009}, {"08001", 0}}));  // nothing listens
    EXPECT_FALSE(isEncryptionRefusal({{"08001", 0}, {"01000", 20017}, {"01000", 20002}}));  // EOF
    EXPECT_FALSE(isEncryptionRefusal({{"42000", 18456}, {"08001", 0}}));  // login refused
    EXPECT_FALSE(isEncryptionRefusal({{"08001", 0}, {"01000", 20013}}));  // unknown host
    EXPECT_FALSE(isEncryptionRefusal({{"01000", 20002}}));
    EXPECT_FALSE(isEncryptionRefusal({}));
}

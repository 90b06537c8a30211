// The header query's text for a path that a quote would otherwise end early; the preview's
// details and warnings are held against the real dialog in the window tests.
#include <gtest/gtest.h>

#include "QtPrinters.h"
#include "operations/ServerFileQueries.h"

TEST(BackupPreview, TheHeaderQueryCarriesAnyPathAsOneLiteral) {
    EXPECT_EQ(backupHeaderQuery(QStringLiteral("D:\\bak\\O'Brien's.bak")),
              "RESTORE HEADERONLY FROM DISK = N'D:\\bak\\O''Brien''s.bak'");
}

#pragma once

#include <sql.h>

#include <QString>

// The description an ODBC failure carries: the first error record's message with the
// driver's "[vendor][component]" prefixes removed; informational records are skipped. A
// driver manager that cannot find the driver gets the description of what to install.
QString odbcErrorDescription(SQLSMALLINT handleType, SQLHANDLE handle);

// "[FreeTDS][SQL Server]Login failed" → "Login failed".
QString withoutVendorPrefixes(const QString& message);

// QString and SQLWCHAR are both UTF-16 code units.
inline const SQLWCHAR* sqlText(const QString& text) {
    return reinterpret_cast<const SQLWCHAR*>(text.utf16());
}

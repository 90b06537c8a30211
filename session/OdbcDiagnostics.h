#pragma once

#include <sql.h>

#include <QString>

#include "DatabaseError.h"

// The error an ODBC failure raises: the first error record's message with the driver's
// "[vendor][component]" prefixes removed, its SQLSTATE and native error number;
// informational records (class 01) are skipped.
DatabaseError odbcError(SQLSMALLINT handleType, SQLHANDLE handle);

// "[FreeTDS][SQL Server]Login failed" → "Login failed".
QString withoutVendorPrefixes(const QString& message);

// QString and SQLWCHAR are both UTF-16 code units.
inline const SQLWCHAR* sqlText(const QString& text) {
    return reinterpret_cast<const SQLWCHAR*>(text.utf16());
}

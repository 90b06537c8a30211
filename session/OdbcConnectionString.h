#pragma once

#include <QString>
#include <optional>

namespace connection_string {

// The one translation from the composed connection string (ConnectionString.h) into the
// FreeTDS driver's grammar for SQLDriverConnect: DRIVER={FreeTDS};SERVER={…};DATABASE={…};
// then UID/PWD or Trusted_Connection=Yes, then the protocol options with full encryption.
// A data source that is the name of a freetds.conf section goes as SERVERNAME={…} instead.
// Every value is braced.
// Raises Error for a value that the driver's parser cannot carry, and for a composed
// string whose quoting is broken.
QString toOdbc(const QString& connectionString);

// Whether the string asks for a Windows login (Kerberos through the driver).
bool usesIntegratedSecurity(const QString& connectionString);

// The login time-out for SQL_ATTR_LOGIN_TIMEOUT, from the string's "Connect Timeout" in
// seconds; nothing when it has none (or none above 0), and the driver waits as long as it
// takes.
std::optional<int> loginTimeoutSeconds(const QString& connectionString);
// The statement time-out for SQL_ATTR_QUERY_TIMEOUT, from "Command Timeout"; nothing when
// it has none, and a statement may take as long as it takes.
std::optional<int> commandTimeoutSeconds(const QString& connectionString);

}  // namespace connection_string

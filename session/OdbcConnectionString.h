#pragma once

#include <QString>
#include <optional>

#include "ServerName.h"

namespace connection_string {

// What one open needs of the composed string, read from it once.
struct OdbcRequest {
    QString odbc;  // for SQLDriverConnect
    bool integratedSecurity = false;
    std::optional<int> loginTimeoutSeconds;
    std::optional<int> commandTimeoutSeconds;  // SQL_ATTR_QUERY_TIMEOUT of every statement
    // The server, when it goes by a section of the tool's own FreeTDS file (every server
    // but a name that is a section of the operator's own files); that section must be
    // written before the connect.
    std::optional<server_name::ServerName> ownSection;
};

// The one translation, below, with what else the open needs.
OdbcRequest translate(const QString& connectionString);

// The one translation from the composed connection string (ConnectionString.h) into the
// FreeTDS driver's grammar for SQLDriverConnect: DRIVER={FreeTDS};SERVERNAME={…};DATABASE={…};
// then UID/PWD or Trusted_Connection=Yes, then the protocol options with full encryption.
// The server goes as SERVERNAME={dbtool:<server>}, the tool's own section for it (where the
// certificate checks live); a data source that is the name of a section of the operator's
// own freetds.conf goes as SERVERNAME={…} by that name. Every value is braced.
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

#pragma once

#include <QMap>
#include <QString>

// The connection string the window composes, in the OLE DB provider's grammar, with its
// documented keys. It is the interface between the window and whatever access layer stands
// behind it, and other components may rely on it byte for byte, so it is composed here
// as documented even though the ODBC driver reads another grammar: OdbcConnectionString.h
// holds the one translation.
namespace connection_string {

// Keys as parse() gives them: folded to lower case.
namespace key {
inline const QString kDataSource = QStringLiteral("data source");
inline const QString kInitialCatalog = QStringLiteral("initial catalog");
inline const QString kIntegratedSecurity = QStringLiteral("integrated security");
inline const QString kUserId = QStringLiteral("user id");
inline const QString kPassword = QStringLiteral("password");
// Seconds a login may take, and a statement; the window composes neither (its session
// keeps the access layer's login time-out and no statement time-out), the helper
// connection adds the statement's.
inline const QString kConnectTimeout = QStringLiteral("connect timeout");
inline const QString kCommandTimeout = QStringLiteral("command timeout");
}  // namespace key

enum class LoginStyle { Windows, SqlServer };

// Index 0 of the login-style list is Windows authentication; every other index is SQL
// Server authentication.
LoginStyle loginStyleForIndex(int index);

QString compose(LoginStyle style, const QString& user, const QString& password,
                const QString& dataSource);

// A value holding a character that the parser would read as structure is enclosed in
// double quotes (inner ones doubled); any other value goes in unchanged.
QString quoteValue(const QString& value);

// Keys are folded to lower case; quoted values are unquoted. Raises Error on a string
// whose quoting is broken.
QMap<QString, QString> parse(const QString& connectionString);

}  // namespace connection_string

#pragma once

#include <QMap>
#include <QString>

// The connection string the window composes keeps the keys a SQL Server OLE DB provider
// reads, so an operator can hold it against any other client's settings. The access layer
// parses it and builds the ODBC string for the FreeTDS driver from it.
namespace connection_string {

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

// DRIVER={FreeTDS};SERVER=…;… for SQLDriverConnect, with full encryption; SERVERNAME=…
// instead when the data source is the name of a freetds.conf section. Raises Error for a
// value that the driver's parser cannot carry.
QString toOdbc(const QString& connectionString);

}  // namespace connection_string

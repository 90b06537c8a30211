#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <ostream>

class Connection;

// Setting up and reading back databases through a client that stays in master, so that it
// never holds a session inside the database an operation works on. Names are written out
// here independently of the product's quoting, so that a fault there cannot hide itself.

// [name] with every ] doubled.
QString bracketed(const QString& name);
// 'text' and N'text' with every ' doubled.
QString plainText(const QString& text);
QString nationalText(const QString& text);

// A database with one table t (a nvarchar(50)) holding the given rows; of the instance's
// collation unless one is named.
void createDatabaseWithRows(Connection& conn, const QString& database, const QStringList& rows,
                            const QString& collation = {});
void addRow(Connection& conn, const QString& database, const QString& row);
QStringList rowsOf(Connection& conn, const QString& database);

QStringList listedDatabases(Connection& conn);
QString recoveryModel(Connection& conn, const QString& database);
void setRecoverySimple(Connection& conn, const QString& database);

struct FileRow {
    QString logicalName;
    QString physicalName;  // without the padding of the fixed-width column

    bool operator==(const FileRow&) const = default;
};
inline void PrintTo(const FileRow& file, std::ostream* out) {
    *out << '{' << file.logicalName.toStdString() << ", " << file.physicalName.toStdString() << '}';
}
// In file-id order.
QList<FileRow> filesOf(Connection& conn, const QString& database);

#include "ServerChecks.h"

#include "operations/Statements.h"
#include "session/Connection.h"

namespace {

QString withoutTrailingBlanks(QString text) {
    while (text.endsWith(QLatin1Char(' '))) {
        text.chop(1);
    }
    return text;
}

QString tableOf(const QString& database) {
    return bracketed(database) + QStringLiteral(".dbo.t");
}

QStringList firstColumn(const ResultSet& rows) {
    QStringList values;
    for (qsizetype row = 0; row < rows.rowCount(); ++row) {
        values.append(rows.field(row, 0));
    }
    return values;
}

}  // namespace

QString bracketed(const QString& name) {
    QString doubled = name;
    doubled.replace(QLatin1Char(']'), QStringLiteral("]]"));
    return QLatin1Char('[') + doubled + QLatin1Char(']');
}

QString plainText(const QString& text) {
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QString nationalText(const QString& text) {
    return QLatin1Char('N') + plainText(text);
}

void createDatabaseWithRows(Connection& conn, const QString& database, const QStringList& rows,
                            const QString& collation) {
    conn.execute(QStringLiteral("CREATE DATABASE ") + bracketed(database) +
                 (collation.isEmpty() ? QString() : QStringLiteral(" COLLATE ") + collation));
    conn.execute(QStringLiteral("CREATE TABLE ") + tableOf(database) +
                 QStringLiteral(" (a nvarchar(50))"));
    for (const QString& row : rows) {
        addRow(conn, database, row);
    }
}

void addRow(Connection& conn, const QString& database, const QString& row) {
    conn.execute(QStringLiteral("INSERT INTO ") + tableOf(database) + QStringLiteral(" VALUES (") +
                 nationalText(row) + QLatin1Char(')'));
}

QStringList rowsOf(Connection& conn, const QString& database) {
    return firstColumn(conn.query(QStringLiteral("SELECT a FROM ") + tableOf(database)));
}

QStringList listedDatabases(Connection& conn) {
    return firstColumn(conn.query(catalogueQuery()));
}

QString recoveryModel(Connection& conn, const QString& database) {
    return conn
        .query(QStringLiteral("SELECT DATABASEPROPERTYEX(") + nationalText(database) +
               QStringLiteral(",'Recovery')"))
        .field(0, 0);
}

void setRecoverySimple(Connection& conn, const QString& database) {
    conn.execute(QStringLiteral("ALTER DATABASE ") + bracketed(database) +
                 QStringLiteral(" SET RECOVERY SIMPLE"));
}

QList<FileRow> filesOf(Connection& conn, const QString& database) {
    const ResultSet rows =
        conn.query(QStringLiteral("SELECT name,filename FROM ") + bracketed(database) +
                   QStringLiteral(".dbo.sysfiles ORDER BY fileid"));
    QList<FileRow> files;
    for (qsizetype row = 0; row < rows.rowCount(); ++row) {
        files.append({rows.field(row, 0), withoutTrailingBlanks(rows.field(row, 1))});
    }
    return files;
}

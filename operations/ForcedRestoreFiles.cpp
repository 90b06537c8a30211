#include "ForcedRestoreFiles.h"

#include "Statements.h"
#include "session/Connection.h"

namespace {

QString withoutTrailingBlanks(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' ')) {
        --end;
    }
    return text.left(end);
}

}  // namespace

QList<DatabaseFile> readTargetFiles(Connection& conn, const QString& databaseName) {
    const ResultSet rows = conn.query(targetFileQuery(databaseName));
    QList<DatabaseFile> files;
    for (qsizetype row = 0; row < rows.rowCount(); ++row) {
        files.append(
            {rows.field(row, QStringLiteral("name")), rows.field(row, QStringLiteral("filename"))});
    }
    return files;
}

QStringList readBackupLogicalNames(Connection& conn, const QString& backupPath) {
    const ResultSet rows = conn.query(backupFileListQuery(backupPath));
    QStringList names;
    for (qsizetype row = 0; row < rows.rowCount(); ++row) {
        names.append(rows.field(row, QStringLiteral("LogicalName")));
    }
    return names;
}

bool isSameLogicalName(const QString& current, const QString& wanted) {
    return withoutTrailingBlanks(current).compare(withoutTrailingBlanks(wanted),
                                                  Qt::CaseInsensitive) == 0;
}

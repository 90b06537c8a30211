#include "ResultSet.h"

#include "Error.h"

ResultSet::ResultSet(QStringList columns, QList<QStringList> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {}

const QString& ResultSet::field(qsizetype row, qsizetype column) const {
    if (row < 0 || row >= rows_.size() || column < 0 || column >= rows_[row].size()) {
        throw Error(QStringLiteral("结果集中没有第 %1 行第 %2 列").arg(row + 1).arg(column + 1));
    }
    return rows_[row][column];
}

const QString& ResultSet::field(qsizetype row, const QString& columnName) const {
    for (qsizetype column = 0; column < columns_.size(); ++column) {
        if (columns_[column].compare(columnName, Qt::CaseInsensitive) == 0) {
            return field(row, column);
        }
    }
    throw Error(QStringLiteral("结果集中没有列 %1").arg(columnName));
}

#include "ResultSet.h"

#include "common/Error.h"
#include "common/OperatorTexts.h"

ResultSet::ResultSet(QStringList columns, QList<QStringList> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {}

const QString& ResultSet::field(qsizetype row, qsizetype column) const {
    if (row < 0 || row >= rows_.size() || column < 0 || column >= rows_[row].size()) {
        throw Error(texts::kNoSuchRow.arg(row + 1).arg(column + 1));
    }
    return rows_[row][column];
}

const QString& ResultSet::field(qsizetype row, const QString& columnName) const {
    for (qsizetype column = 0; column < columns_.size(); ++column) {
        if (columns_[column].compare(columnName, Qt::CaseInsensitive) == 0) {
            return field(row, column);
        }
    }
    throw Error(texts::kNoSuchColumn.arg(columnName));
}

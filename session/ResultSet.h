#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A query's rows, fully read before the call that produced it returned, so the row
// count is exact and nothing stays open on the server.
class ResultSet {
  public:
    ResultSet() = default;
    ResultSet(QStringList columns, QList<QStringList> rows);

    qsizetype rowCount() const { return rows_.size(); }
    qsizetype columnCount() const { return columns_.size(); }
    const QStringList& columns() const { return columns_; }
    const QList<QStringList>& rows() const { return rows_; }

    // NULL reads as empty text. Out-of-range positions and unknown names raise Error.
    const QString& field(qsizetype row, qsizetype column) const;
    // Column names compare case-insensitively.
    const QString& field(qsizetype row, const QString& columnName) const;

  private:
    QStringList columns_;
    QList<QStringList> rows_;
};

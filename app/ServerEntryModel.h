#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "operations/ServerFileSystem.h"

// The entries of one server folder for the dialog's list: name, size, date. Refilled in
// one go, so that a folder of thousands of entries shows at once.
class ServerEntryModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { Name, Size, Modified, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setEntries(std::vector<ServerEntry> entries);
    const std::vector<ServerEntry>& entries() const { return entries_; }
    const ServerEntry& entry(int row) const { return entries_.at(static_cast<std::size_t>(row)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::vector<ServerEntry> entries_;
};

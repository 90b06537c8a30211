#include "ServerEntryModel.h"

#include <QApplication>
#include <QLocale>
#include <QStyle>

#include "common/OperatorTexts.h"

namespace {

constexpr qint64 kBytesPerKilobyte = 1024;

QString sizeText(const ServerEntry& entry) {
    const QLocale locale(QLocale::Chinese, QLocale::China);
    if (entry.kind == ServerEntry::Kind::Drive) {
        return entry.freeMegabytes < 0
                   ? QString()
                   : texts::kServerDriveFree.arg(locale.toString(entry.freeMegabytes));
    }
    if (entry.kind == ServerEntry::Kind::Folder || entry.sizeBytes < 0) {
        return {};
    }
    // Rounded up, as Windows shows sizes: a file of one byte takes 1 KB.
    const qint64 kilobytes = (entry.sizeBytes + kBytesPerKilobyte - 1) / kBytesPerKilobyte;
    return QStringLiteral("%1 KB").arg(locale.toString(kilobytes));
}

QIcon iconOf(ServerEntry::Kind kind) {
    switch (kind) {
        case ServerEntry::Kind::Drive:
            return QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon);
        case ServerEntry::Kind::Folder:
            return QApplication::style()->standardIcon(QStyle::SP_DirIcon);
        case ServerEntry::Kind::File:
            break;
    }
    return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
}

}  // namespace

void ServerEntryModel::setEntries(std::vector<ServerEntry> entries) {
    beginResetModel();
    entries_ = std::move(entries);
    endResetModel();
}

int ServerEntryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int ServerEntryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ServerEntryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const ServerEntry& e = entry(index.row());
    if (role == Qt::DecorationRole && index.column() == Name) {
        return iconOf(e.kind);
    }
    if (role == Qt::TextAlignmentRole && index.column() == Size) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (index.column()) {
        case Name:
            return e.name;
        case Size:
            return sizeText(e);
        case Modified:
            return e.modified;
        default:
            return {};
    }
}

QVariant ServerEntryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
        case Name:
            return texts::kServerFileName;
        case Size:
            return texts::kServerFileSize;
        case Modified:
            return texts::kServerFileModified;
        default:
            return {};
    }
}

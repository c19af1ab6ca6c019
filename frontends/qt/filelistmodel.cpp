#include "filelistmodel.h"

#include <algorithm>

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(0);
    connect(&m_flushTimer, &QTimer::timeout, this, &FileListModel::Flush);
}

long FileListModel::RowOf(pf::RowId id) const {
    const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), id,
                                     [](const Row& row, pf::RowId wanted) { return row.id < wanted; });
    return at != m_rows.end() && at->id == id ? static_cast<long>(at - m_rows.begin()) : -1;
}

void FileListModel::Append(std::string path) {
    if (!m_flushTimer.isActive()) {
        m_flushTimer.start(); // shown when the event loop runs again
    }
    m_rows.push_back({std::move(path), m_nextId++});
}

void FileListModel::Flush() {
    if (Count() == m_shown) {
        return;
    }
    beginInsertRows(QModelIndex(), static_cast<int>(m_shown), static_cast<int>(Count() - 1));
    m_shown = Count();
    endInsertRows();
}

void FileListModel::SetPath(long row, std::string path) {
    m_rows[static_cast<std::size_t>(row)].path = std::move(path);
    if (row < m_shown) {
        const QModelIndex changed = index(static_cast<int>(row), 0);
        emit dataChanged(changed, changed, {Qt::DisplayRole});
    }
}

void FileListModel::Remove(long row) {
    Flush();
    beginRemoveRows(QModelIndex(), static_cast<int>(row), static_cast<int>(row));
    m_rows.erase(m_rows.begin() + row);
    m_shown = Count();
    endRemoveRows();
}

void FileListModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_shown = 0;
    endResetModel();
}

void FileListModel::SetHeader(const QString& header) {
    m_header = header;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_shown);
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_shown) {
        return {};
    }
    return QString::fromStdString(Path(index.row())); // undecodable bytes show as replacement characters
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section != 0) {
        return {};
    }
    return m_header;
}

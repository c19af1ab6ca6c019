#pragma once

#include "form.h"

#include <QAbstractTableModel>
#include <QTimer>
#include <string>
#include <vector>

// The rows of the file list: each row's path exactly as it was handed over (any bytes, so a name that
// is not valid UTF-8 still opens), with a number that keeps naming the row while others come and go.
// Appended rows wait until Flush tells the view about all of them at once: a folder walk appends a
// hundred thousand rows, and the view lays itself out once per batch instead of once per row. A path
// becomes screen text only when its row is painted. Rows are numbered from 0 here.
class FileListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit FileListModel(QObject* parent = nullptr);

    // Every row, the waiting ones included.
    long Count() const { return static_cast<long>(m_rows.size()); }
    const std::string& Path(long row) const { return m_rows[static_cast<std::size_t>(row)].path; }
    pf::RowId IdAt(long row) const { return m_rows[static_cast<std::size_t>(row)].id; }
    // The row an id names, -1 when it is gone.
    long RowOf(pf::RowId id) const;

    // Appends a row; the view hears of it at the next Flush, which the event loop runs by itself.
    void Append(std::string path);
    // Tells the view about every waiting row at once.
    void Flush();
    void SetPath(long row, std::string path);
    void Remove(long row);
    void Clear();
    // The header text of the one column, which starts without one.
    void SetHeader(const QString& header);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        std::string path;
        pf::RowId id;
    };

    std::vector<Row> m_rows; // ids rise along the rows: rows are only appended, moved by text, removed
    long m_shown = 0;        // the rows the view knows of; the rest wait for Flush
    pf::RowId m_nextId = 1;
    QTimer m_flushTimer; // runs Flush once the event loop runs again
    QString m_header;
};

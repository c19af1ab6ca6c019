#pragma once

#include "filelistmodel.h"

#include <QTreeView>
#include <string>
#include <vector>

// The file list: a one-column report list over its rows that accepts dropped files and hands every
// mouse and key event to the window as a signal, so the window's handlers decide what a gesture does.
class FileListView : public QTreeView {
    Q_OBJECT

public:
    explicit FileListView(QWidget* parent = nullptr);

    FileListModel& Rows() const { return *m_rows; }

    // Paths of the local files a drop offers, byte for byte as the addresses spell them (so a name that
    // is not valid UTF-8 arrives unchanged); empty when the drop offers no file list.
    static std::vector<std::string> DroppedPaths(const QMimeData* data);

signals:
    void MouseDown();
    void ItemClick();
    void MouseMove(int x, int y);
    void MouseUp();
    void DblClick();
    void DeleteKey();
    void FilesDropped(const std::vector<std::string>& paths);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    FileListModel* m_rows;
};

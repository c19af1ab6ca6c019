#include "filelistview.h"

#include "adders.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace {
constexpr int kDeleteKeyCode = 46;
}

FileListView::FileListView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(0);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false); // rows move by the window's own drag handling, never by Qt's drag and drop
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true); // drops arrive at the viewport, which hands them to this view
    setDropIndicatorShown(false);
    setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
    setTextElideMode(Qt::ElideNone);
}

std::vector<std::string> FileListView::DroppedPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(url.toLocalFile().toStdString());
        }
    }
    return paths;
}

void FileListView::mousePressEvent(QMouseEvent* event) {
    emit MouseDown();
    QTreeWidget::mousePressEvent(event);
    if (itemAt(event->position().toPoint()) != nullptr) {
        emit ItemClick();
    }
}

void FileListView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit MouseMove(at.x(), at.y());
    if (event->buttons() == Qt::NoButton) {
        QTreeWidget::mouseMoveEvent(event); // hover feedback only; a pressed button belongs to the drag
    }
}

void FileListView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    emit MouseUp();
}

void FileListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    emit DblClick();
}

void FileListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        emit KeyDown(kDeleteKeyCode);
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void FileListView::dragEnterEvent(QDragEnterEvent* event) {
    if (pf::ListView1_OLEDragOver(!DroppedPaths(event->mimeData()).empty())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FileListView::dragMoveEvent(QDragMoveEvent* event) {
    if (pf::ListView1_OLEDragOver(!DroppedPaths(event->mimeData()).empty())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FileListView::dropEvent(QDropEvent* event) {
    const auto paths = DroppedPaths(event->mimeData());
    if (paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit FilesDropped(paths);
}

#include "filelistview.h"

#include "adders.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace {

// The local path a file address names. Percent escapes are decoded to the bytes they stand for, not to
// text, so a name that is not valid UTF-8 keeps its bytes; an address with a host names a network path.
std::string LocalPathBytes(const QUrl& url) {
    QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (const QString host = url.host(); !host.isEmpty()) {
        path.prepend("//" + host.toUtf8());
    }
    return path.toStdString();
}

} // namespace

FileListView::FileListView(QWidget* parent) : QTreeView(parent), m_rows(new FileListModel(this)) {
    setModel(m_rows);
    setRootIsDecorated(false);
    setItemsExpandable(false);
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
            paths.push_back(LocalPathBytes(url));
        }
    }
    return paths;
}

void FileListView::mousePressEvent(QMouseEvent* event) {
    emit MouseDown();
    QTreeView::mousePressEvent(event);
    if (indexAt(event->position().toPoint()).isValid()) {
        emit ItemClick();
    }
}

void FileListView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit MouseMove(at.x(), at.y());
    if (event->buttons() == Qt::NoButton) {
        QTreeView::mouseMoveEvent(event); // hover feedback only; a pressed button belongs to the drag
    }
}

void FileListView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    emit MouseUp();
}

void FileListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    emit DblClick();
}

void FileListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        emit DeleteKey();
        return;
    }
    QTreeView::keyPressEvent(event);
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

// The selection follows the press and the window's drag, never the release. Qt leaves the selection of
// a press on the highlighted row to the release, and a release away from the rows would then take the
// highlight off the entry that the drag has just moved there.
QItemSelectionModel::SelectionFlags FileListView::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* event) const {
    if (event != nullptr && event->type() == QEvent::MouseButtonRelease) {
        return QItemSelectionModel::NoUpdate;
    }
    return QTreeView::selectionCommand(index, event);
}

#include "listedit.h"

namespace pf {

namespace {

// The pointer's screen height above which a swap scrolls up one entry, and below which it scrolls down.
constexpr int kScrollUpBelowY = 305;
constexpr int kScrollDownAboveY = 364;

// Removes the current entry, unless the window is busy, the list is empty or no entry is current.
void RemoveCurrentRow(Form& form) {
    if (form.Pointer() == MousePointer::Hourglass || form.RowCount() == 0) {
        return;
    }
    const long current = form.CurrentRow();
    if (current > 0) {
        form.RemoveRow(current);
    }
}

// After a swap onto row hit, brings its neighbour into view when the pointer is high or low on the screen.
void ScrollNearScreenEdge(Form& form, long hit) {
    const int screenY = form.CursorScreenY();
    if (screenY < kScrollUpBelowY) {
        if (hit > 1) {
            form.ScrollRowIntoView(hit - 1);
        }
    } else if (screenY > kScrollDownAboveY) {
        if (form.RowCount() >= hit + 1) {
            form.ScrollRowIntoView(hit + 1);
        }
    }
}

} // namespace

void ListEditor::ListView1_MouseDown() {
    m_dragging = true;
}

void ListEditor::ListView1_ItemClick(Form& form) {
    // The window shows "drag.ico" from the program folder as the list's pointer; without it, the arrow.
    form.SetListDragPointer(true);
    const long current = form.CurrentRow();
    m_dragItem = current > 0 ? form.RowIdAt(current) : 0;
}

void ListEditor::ListView1_MouseMove(Form& form, int x, int y) {
    if (form.Pointer() != MousePointer::Hourglass) {
        form.SetPointer(MousePointer::Default);
    }
    if (!m_dragging) {
        return;
    }
    const long hit = form.RowAt(x, y);
    const long dragIndex = DragIndex(form);
    if (hit == 0 || dragIndex == 0 || form.RowText(hit) == form.RowText(dragIndex)) {
        return;
    }
    SwapWithDragged(form, hit, dragIndex);
    ScrollNearScreenEdge(form, hit);
}

void ListEditor::ListView1_MouseUp(Form& form) {
    m_dragging = false;
    form.SetListDragPointer(false);
}

void ListEditor::ListView1_DblClick(Form& form) {
    RemoveCurrentRow(form);
}

void ListEditor::ListView1_DeleteKey(Form& form) {
    RemoveCurrentRow(form);
}

long ListEditor::DragIndex(const Form& form) {
    const long index = m_dragItem == 0 ? 0 : form.IndexOfRow(m_dragItem);
    if (index == 0) {
        m_dragItem = 0;
    }
    return index;
}

// Only the texts move: the dragged text takes the hit row's place, the hit row's text takes the
// dragged row's place, and the hit row becomes the selected, dragged entry.
void ListEditor::SwapWithDragged(Form& form, long hit, long dragIndex) {
    const std::string dragged = form.RowText(dragIndex);
    form.SetRowText(dragIndex, form.RowText(hit));
    form.SetRowText(hit, dragged);
    form.SelectRow(hit);
    m_dragItem = form.RowIdAt(hit);
}

} // namespace pf

#pragma once

#include "form.h"

namespace pf {

// Removing and reordering rows with the mouse and the keyboard. The drag state lives as long as the
// window, so the window keeps one ListEditor and hands every list event to it.
class ListEditor {
public:
    // A mouse button went down anywhere over the list.
    void ListView1_MouseDown();
    // An entry was clicked and became the current row: it becomes the dragged entry.
    void ListView1_ItemClick(Form& form);
    // The pointer moved over the list; x and y are in the list's own coordinates.
    void ListView1_MouseMove(Form& form, int x, int y);
    // A mouse button went up over the list.
    void ListView1_MouseUp(Form& form);
    void ListView1_DblClick(Form& form);
    void ListView1_DeleteKey(Form& form);

    bool IsDragging() const { return m_dragging; }

private:
    // The position of the dragged entry, 0 when there is none; a row removed since is forgotten.
    long DragIndex(const Form& form);
    void SwapWithDragged(Form& form, long hit, long dragIndex);

    bool m_dragging = false;
    RowId m_dragItem = 0;
};

} // namespace pf

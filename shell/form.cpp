#include "form.h"

#include "runtimeerror.h"

namespace pf {

long ListPosition(const Form& form, long index) {
    if (index < 1 || index > form.RowCount()) {
        throw RuntimeError(err::kIndexOutOfBounds);
    }
    return index - 1;
}

MousePointer HoverPointer(MousePointer current, HoverTarget target) {
    if (current == MousePointer::Hourglass) {
        return current;
    }
    switch (target) {
    case HoverTarget::Button:
        return MousePointer::Custom;
    case HoverTarget::Background:
        return MousePointer::Default;
    case HoverTarget::Other:
        break;
    }
    return current;
}

} // namespace pf

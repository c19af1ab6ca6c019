#include "filelist.h"

#include "errortrap.h"
#include "form.h"
#include "locations.h"
#include "platform.h"

namespace pf {

std::string NormalizePath(std::string_view path) {
    return platform::NormalizeSeparators(path);
}

void PushButton3_Click(Form& form) {
    ErrorTrap trap(form.Ui(), loc::kPushButton3Click);
    trap.Run(100, [&] {
        if (form.Pointer() != MousePointer::Hourglass) {
            form.ClearRows();
        }
    });
}

} // namespace pf

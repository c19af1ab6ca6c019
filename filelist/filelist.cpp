#include "filelist.h"

#include "errortrap.h"
#include "form.h"
#include "locations.h"
#include "platform.h"

namespace pf {

std::string NormalizePath(std::string_view path) {
    return platform::NormalizeSeparators(path);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    joined += platform::PathSeparator();
    joined += name;
    return NormalizePath(joined);
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

#include "outputoptions.h"

#include "addfolder.h"
#include "apptitle.h"
#include "errortrap.h"
#include "form.h"
#include "locations.h"
#include "platform.h"
#include "settings.h"

namespace pf {

void PushButton6_Click(Form& form) {
    ErrorTrap trap(form.Ui(), loc::kPushButton6Click);
    trap.Run(100, [&] {
        form.Ui().ShowMessage("Please increase this number if you are having problems with the conversion.",
                              ApplicationTitle(), MessageButtons::Ok, MessageIcon::None);
    });
}

void PushButton7_Click(Form& form) {
    ErrorTrap trap(form.Ui(), loc::kPushButton7Click);
    std::string startFolder;
    std::string chosen;
    trap.Run(100, [&] { startFolder = ReadSetting(key::kLastFolderDot, ""); });
    trap.Run(102, [&] { chosen = BrowseForFolder(form.Ui(), "Please select folder:", startFolder); });
    if (trap.Test(
            104, [&] { return chosen.empty(); }, false)) {
        return;
    }
    trap.Run(106, [&] { WriteSetting(key::kLastFolderDot, chosen); });
    trap.Run(108, [&] {
        const char separator = platform::PathSeparator();
        form.SetText1(chosen.back() == separator ? chosen : chosen + separator);
    });
}

} // namespace pf

#include "startup.h"

#include "apptitle.h"
#include "errortrap.h"
#include "form.h"
#include "locations.h"
#include "platform.h"
#include "printerrecord.h"
#include "printers.h"
#include "samples.h"
#include "settings.h"

#include <cmath>
#include <random>

namespace pf {

namespace {

// A failed write from a change handler must not go unnoticed: the user is told once, until a write
// of that key succeeds again.
void StoreBoxText(Form& form, const char* key, const std::string& text) {
    static std::string failedKeys;
    const std::string marker = std::string("[") + key + "]";
    try {
        WriteSetting(key, text);
        if (const auto at = failedKeys.find(marker); at != std::string::npos) {
            failedKeys.erase(at, marker.size());
        }
    } catch (const RuntimeError& e) {
        if (failedKeys.find(marker) != std::string::npos) {
            return;
        }
        failedKeys += marker;
        form.Ui().ShowMessage(std::string("Could not save the setting ") + key +
                                  " to the settings file: " + e.what() + ".",
                              ApplicationTitle(), MessageButtons::Ok, MessageIcon::Warning);
    }
}

} // namespace

void Form_Load(Form& form, WindowSetup& window) {
    ErrorTrap trap(form.Ui(), loc::kFormLoad);
    // A run that was killed left the PDF printer as everyone's default printer: put the old one back.
    trap.Run(99, [&] { RestoreLeftoverPrinterRecord(); });
    trap.Run(99, [&] { platform::RemoveAbandonedRunFolders(); }); // and the copies of the user's files
    trap.Run(100, [&] { ApplySkin(window); });
    const std::string cursorFile = platform::InProgramFolder("HAND-M.CUR");
    if (trap.Test(
            104, [&] { return PathExists(cursorFile); }, true)) {
        trap.Run(106, [&] { window.LoadCustomPointer(cursorFile); });
    }
    trap.At(108);
    trap.Run(110, [&] { OpenHomePageOccasionally(form.Ui(), form.SecondsSinceMidnight()); });
    if (trap.Test(
            112, [&] { return ReadSetting(key::kSnapshot, "").empty(); }, true)) {
        trap.Run(114, [&] { SaveSampleFileList(); });
    }
    trap.At(116);
    trap.Run(118, [&] { window.SetCaption(kProductName); });
    trap.Run(120, [&] { window.SetProgramIcon(); });
    trap.Run(122, [&] { SetApplicationTitle(); });
    trap.Run(124, [&] { window.AddListColumn("Text File(s)"); });
    trap.Run(126, [&] { window.SetListColumnWidth(7000); });
    std::string defaultFolder;
    trap.Run(128, [&] { defaultFolder = DefaultOutputFolder(); });
    trap.Run(130, [&] { form.SetText1(ReadSetting(key::kLocation, defaultFolder)); });
    trap.Run(132, [&] { form.SetText2(ReadSetting(key::kText2, "7")); });
    trap.Run(134, [&] { CheckPdfWriterInstalled(form.Ui()); });
}

void ApplySkin(WindowSetup& window) {
    const std::string skinFile =
        platform::InProgramFolder(std::string("x") + platform::PathSeparator() + "o.cjs");
    const auto attributes = platform::FileAttributes(skinFile);
    if (!attributes || (*attributes & platform::attr::kDirectory) != 0) {
        return;
    }
    window.ApplySkinFile(skinFile);
}

int DrawOneToHundred(double secondsSinceMidnight) {
    std::mt19937 generator(static_cast<std::uint32_t>(secondsSinceMidnight));
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    return static_cast<int>(std::floor(unit(generator) * 100.0)) + 1;
}

void OpenHomePageOccasionally(UserInterface& ui, double secondsSinceMidnight) {
    if (DrawOneToHundred(secondsSinceMidnight) == 7) {
        ui.OpenAddress(kHomePage);
    }
}

std::string DefaultOutputFolder() {
    const std::string desktop = platform::DesktopFolder();
    const std::string folder = desktop.empty() ? platform::HomeFolder() : desktop;
    return platform::IsRootPath(folder) ? folder : folder + platform::PathSeparator();
}

bool PathExists(const std::string& path) {
    return platform::HasModificationTime(path);
}

void Text1_Change(Form& form) {
    StoreBoxText(form, key::kLocation, form.Text1());
}

void Text2_Change(Form& form) {
    StoreBoxText(form, key::kText2, form.Text2());
}

} // namespace pf

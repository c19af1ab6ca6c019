#include "printers.h"

#include "apptitle.h"
#include "form.h"
#include "platform.h"
#include "reports.h"

namespace pf {

std::string GetDefaultPrinter(UserInterface& ui) {
    std::string name;
    try {
        name = platform::DefaultPrinterName();
    } catch (const RuntimeError& failure) {
        ReportPrinterError(ui, failure.Number(), failure.what());
    }
    return name;
}

bool SetDefaultPrinter(const std::string& name) {
    try {
        return platform::MakeDefaultPrinter(name);
    } catch (const std::exception&) {
        return false;
    }
}

void CheckPdfWriterInstalled(UserInterface& ui) {
    for (const auto& printer : platform::InstalledPrinters()) {
        if (printer.name == kPdfPrinterName) {
            return;
        }
    }
    std::string text = std::string(kPdfPrinterName) + " is not installed. Please follow these instructions:";
    text += "\r\n";
    for (const auto& step : platform::PdfPrinterInstallSteps(kPdfPrinterName, kPdfPrinterPort)) {
        text += "\r\n" + step;
    }
    ui.ShowMessage(text, ApplicationTitle(), MessageButtons::Ok, MessageIcon::None);
}

} // namespace pf

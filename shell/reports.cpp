#include "reports.h"

#include "apptitle.h"
#include "form.h"

namespace pf {

std::string ErrorReportText(std::string_view location, const ErrorInfo& info) {
    std::string text = info.description;
    text += "\r\n";
    text += "in ";
    text += location;
    text += " ";
    text += "at line ";
    text += std::to_string(info.line);
    text += "\r\r";
    text += "Please email screenshot of this message to ";
    text += kSupportAddress;
    return text;
}

void ReportError(UserInterface& ui, std::string_view location, const ErrorInfo& info) {
    ui.ShowMessage(ErrorReportText(location, info), kErrorTitle, MessageButtons::Ok, MessageIcon::Warning);
}

std::string PrinterErrorText(int number, const std::string& description) {
    return "Error No: " + std::to_string(number) + "\r\n" + description + "\r\n" +
           "Has occured in modPrinters.GetDefaultPrinter" + "\r\n" + "Please contact Technical Support";
}

void ReportPrinterError(UserInterface& ui, int number, const std::string& description) {
    ui.ShowMessage(PrinterErrorText(number, description), ApplicationTitle(), MessageButtons::Ok,
                   MessageIcon::None);
}

} // namespace pf

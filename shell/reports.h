#pragma once

#include <string>
#include <string_view>

namespace pf {

class UserInterface;

// What a trap knows about a failure.
struct ErrorInfo {
    int number = 0;
    std::string description;
    int line = 0;
};

inline constexpr const char* kSupportAddress = "support@plumavert.example";
inline constexpr const char* kErrorTitle = "Application Error";

// The text of the standard error report.
std::string ErrorReportText(std::string_view location, const ErrorInfo& info);

// Shows the standard error report (title "Application Error", warning icon, OK).
void ReportError(UserInterface& ui, std::string_view location, const ErrorInfo& info);

// The printer module's own report: no line number, titled with the application title, no icon.
std::string PrinterErrorText(int number, const std::string& description);
void ReportPrinterError(UserInterface& ui, int number, const std::string& description);

} // namespace pf

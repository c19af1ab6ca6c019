#pragma once

#include "pdfprinter.h"

#include <string>

namespace pf {

class UserInterface;

// Device name of the default printer; shows the printer report and returns "" when it cannot be read.
std::string GetDefaultPrinter(UserInterface& ui);

// Makes the named printer the default; false, silently, when the platform refuses.
bool SetDefaultPrinter(const std::string& name);

// Shows the installation instructions when the PDF printer is not installed.
void CheckPdfWriterInstalled(UserInterface& ui);

} // namespace pf

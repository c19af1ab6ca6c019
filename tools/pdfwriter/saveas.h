#pragma once

// The Save As question of the PDF printer, for jobs that do not come with a fixed output file. It is
// asked by a small dialog program beside the printer, so a job with a fixed output file never pays for
// starting a window system.

#include <string>

namespace pf::pdfwriter {

struct SaveAsAnswer {
    std::string path;  // the chosen file, "" when there is none
    std::string error; // why there is none
};

// Asks for the PDF file's name, suggesting one. Fails without asking when there is no display.
SaveAsAnswer AskSaveAs(const std::string& suggestion);

} // namespace pf::pdfwriter

#pragma once

// Helpers of the end-to-end tests: running the real programs and poppler's tools, and comparing the
// text that comes back from a PDF.

#include <string>
#include <vector>

namespace pf::test {

// The text quoted for the shell.
std::string Quote(const std::string& text);

struct Result {
    int exitCode = -1;
    std::string output;
};

// Runs a shell command; output is what it wrote to standard output and standard error.
Result RunShell(const std::string& command);

// The text pdftotext finds in a PDF, run with the given options; first checks the file's own structure
// strictly (a failed check fails the calling test), since PDF readers repair what they can.
std::string PdfText(const std::string& pdf, const std::string& options = "-enc UTF-8");

// The words of a text, so that line wrapping and page breaks do not matter.
std::vector<std::string> Words(const std::string& text);

} // namespace pf::test

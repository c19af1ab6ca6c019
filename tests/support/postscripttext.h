#pragma once

// What a printed PostScript file says, for tests under Wine whose printers print PostScript: the file is
// turned into PDF with ps2pdf and read with pdftotext, both started as Unix programs.

#include <string>

namespace pf::test {

// The Unix path of a Windows path, where Wine runs the test; empty on Windows itself.
std::string UnixPath(const std::string& path);

// What pdftotext, with the given option, reads from a PostScript file turned into PDF; the work files go
// to the given folder. Empty when the tools cannot read it.
std::string PostScriptText(const std::string& postScript, const std::string& workFolder,
                           const std::string& option);

} // namespace pf::test

#pragma once

#include "pdfprinter.h"

#include <string>

namespace pf {

// Writes one of the PDF printer's values. Throws RuntimeError when it cannot be written.
void WritePdfWriterValue(const std::string& name, const std::string& value);

} // namespace pf

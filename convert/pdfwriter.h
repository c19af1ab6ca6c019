#pragma once

#include <string>

namespace pf {

// The PDF printer's per-user values that steer its next job.
inline constexpr const char* kOutputFileValue = "OutputFile";
inline constexpr const char* kBypassSaveAsValue = "BypassSaveAs";

// Writes one of the PDF printer's values. Throws RuntimeError when it cannot be written.
void WritePdfWriterValue(const std::string& name, const std::string& value);

} // namespace pf

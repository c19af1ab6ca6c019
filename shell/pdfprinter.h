#pragma once

namespace pf {

// The virtual PDF printer that writes one PDF per print job, and the per-user values that steer its
// next job. The run and the printer programs both use these names, so they live below both.
inline constexpr const char* kPdfPrinterName = "Tarnwicke PDF Writer";
inline constexpr const char* kPdfPrinterPort = "CPW2:";
inline constexpr const char* kOutputFileValue = "OutputFile";
inline constexpr const char* kBypassSaveAsValue = "BypassSaveAs";

} // namespace pf

#pragma once

#include <string>

namespace pf {

// The keys of the per-user settings store ("Tarnwicke" / "Plumavert Fennic").
namespace key {
inline constexpr const char* kLocation = "Location";
inline constexpr const char* kText2 = "Text2";
inline constexpr const char* kLastFolderDot = "LastFolderDot";
inline constexpr const char* kLastFolder = "LastFolder";
inline constexpr const char* kExtension = "Extension";
inline constexpr const char* kSnapshot = "Snapshot";
// The printer state from before a run, kept while runs are under way (see convert/printerrecord.h).
inline constexpr const char* kPrinterRecord = "PrinterRecord";
} // namespace key

// The stored text of a key, or defaultValue when it is absent. A stored empty text comes back empty.
std::string ReadSetting(const std::string& key, const std::string& defaultValue);

// Stores the text at once. Throws RuntimeError when the store cannot be written.
void WriteSetting(const std::string& key, const std::string& value);

} // namespace pf

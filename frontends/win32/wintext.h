#pragma once

// Text across the window's seam: the program's UTF-8 on one side, the UTF-16 of the W functions on the
// other.

#include <string>
#include <string_view>

namespace pf::win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// Every bare carriage return becomes CR LF, so a message box shows it as the line break it stands for.
std::wstring DisplayText(std::string_view utf8);

} // namespace pf::win32

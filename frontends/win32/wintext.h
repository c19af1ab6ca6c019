#pragma once

// Texts as the window shows them; the UTF-8 and UTF-16 conversions are the platform layer's (widetext.h).

#include <string>
#include <string_view>

namespace pf::win32 {

// Every bare carriage return becomes CR LF, so a message box shows it as the line break it stands for.
std::wstring DisplayText(std::string_view utf8);

} // namespace pf::win32

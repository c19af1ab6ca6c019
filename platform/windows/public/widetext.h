#pragma once

// UTF-8, the text of the program's interfaces, to and from the UTF-16 of the Win32 "W" calls. The
// Windows backend uses it, and so does every Windows-only piece above it that speaks to Win32 itself:
// the Win32 window, the Windows text printer and the Windows tests.

#include <string>
#include <string_view>

namespace pf::platform::win {

std::wstring ToWide(std::string_view utf8);
std::string FromWide(std::wstring_view wide);

// The system's text for a Windows error number, on one line without the closing full stop.
std::string SystemMessage(unsigned long error);

} // namespace pf::platform::win

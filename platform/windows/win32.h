#pragma once

// Helpers shared by the files of the Windows backend: text in the three encodings the backend meets
// (UTF-8 at the interface, the ANSI code page of the "A" calls, UTF-16 of the "W" calls), Windows error
// numbers as failure numbers; the owners of the handles it opens are in winhandles.h.

#include "widetext.h"
#include "winhandles.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace pf::platform::win {

// UTF-8 to the ANSI code page without best-fit replacements. Empty when a character has no code there:
// an "A" call would receive a "?" or a look-alike letter and name another file.
std::optional<std::string> ToAnsi(std::string_view utf8);

// UTF-8 to the ANSI code page where a character without a code becomes "?", as the system converts it
// when it cannot do better (never a best-fit look-alike).
std::string ToAnsiLossy(std::string_view utf8);

std::string FromAnsi(std::string_view ansi);

// A UTF-16 name as the "A" calls show it: each character without a code in the ANSI code page is "?".
std::string AsAnsiShowsIt(std::wstring_view wide);

// The failure number a report shows for a Windows error number (2: 53, 3: 76, 5: 70, ...).
int ErrorNumberFromWindowsError(DWORD error);

// A RuntimeError for the calling thread's last Windows error.
[[noreturn]] void ThrowLastError();

} // namespace pf::platform::win

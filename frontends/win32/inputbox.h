#pragma once

#include <windows.h>

#include <string>

namespace pf::win32 {

// The input box: the prompt, a text box holding the default answer, OK and Cancel. Returns the text
// on OK, "" on Cancel.
std::string InputBox(HWND owner, const std::string& prompt, const std::string& title,
                     const std::string& defaultAnswer);

// The control ids of the input box, for tests that drive it.
inline constexpr int kInputPromptId = 100;
inline constexpr int kInputTextId = 101;

} // namespace pf::win32

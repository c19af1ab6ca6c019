#pragma once

#include <cstdint>
#include <string>

namespace pf {

class Form;

inline constexpr int kDefaultWindowStyle = 6; // minimised, not activated
inline constexpr std::int32_t kStartFailureBase = -2147221504;

// The text printer's program path as registered, or "" when there is no registration.
std::string GetWordPadPath();

// The program that prints the run's files: the registered text printer (GetWordPadPath), or, where none
// is registered (current Windows releases ship no WordPad), the text printer shipped in the program
// folder, in double quotes.
std::string TextPrinterPath();

// Starts a command line and waits for it, letting window messages run every 100 ms. Returns the exit
// code, or kStartFailureBase plus the error number when it could not be started.
std::int32_t ShellAndWait(Form& form, const std::string& commandLine, int windowStyle = kDefaultWindowStyle);

} // namespace pf

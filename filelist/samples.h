#pragma once

#include <string>

namespace pf {

class Form;

// The fixed key of the stored sample list.
inline constexpr const char* kSampleListKey = "verdleaf";

// The folder of the shipped sample files: the program folder followed by "/Samples/".
std::string SampleFolder();

// Records the sample folder's files, enciphered, in the setting Snapshot. A file whose path the
// single-byte code page cannot carry, or that holds the list separator "|", is left out of the record
// (it could not be read back as the same path), so it is never loaded.
void SaveSampleFileList();

// Adds every recorded sample file that still exists and is not listed, then offers to open the folder.
void LoadSampleFiles(Form& form);

// "Load Sample/Example Files".
void PushButton5_Click(Form& form);

// True when some row's text equals the text exactly (letter case included).
bool ListContains(const Form& form, const std::string& text);

// The sample list cipher. Both work on the Windows-1252 codes of the characters of UTF-8 text, one
// output character per input character, for texts of any length; a character the code page cannot
// map counts as "?". Deciphering gives back every text whose codes lie between 1 and 255. Both throw
// RuntimeError err::kInvalidProcedureCall for an empty key.
std::string EncipherText(const std::string& text, const std::string& key);
std::string DecipherText(const std::string& text, const std::string& key);

} // namespace pf

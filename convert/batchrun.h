#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pf {

class ErrorTrap;
class Form;

// An input the run did not convert, and a short reason why ("cannot be read", "no PDF appeared", ...).
struct NotConverted {
    std::string input;
    std::string reason;
};

// The batch conversion run behind "Start Converting To PDF". One object lives as long as the window:
// it holds the flag that keeps a second click from starting a second run.
class BatchRun {
public:
    void PushButton2_Click(Form& form);

    bool IsConverting() const { return m_converting; }

private:
    // Converts every row with the PDF printer as the default printer; returns the inputs not converted.
    std::vector<NotConverted> ConvertList(Form& form, ErrorTrap& trap);

    bool m_converting = false;
};

// Seconds to wait, letting window messages run and sleeping between them; zero or less returns at once.
// Spans midnight, any number of times; ends early when the window closes.
void Pause(Form& form, double seconds);

// Deletes a file if it can; never fails.
void RemoveFile(Form& form, const std::string& path);

// Copies source to target when the source is an existing file and the target's folder exists; a source
// with wildcards copies into the target's folder. True when the copy was made.
bool SafeCopyFile(const std::string& source, const std::string& target);

// The text after the last separator (the whole path when there is none).
std::string GetFileName(const std::string& path);

// The text up to and including the last separator ("" when there is none).
std::string GetFolderPart(const std::string& path);

// The PDF's file name for an input path: the last extension replaced by ".pdf".
std::string OutputNameFor(const std::string& inputPath);

// The closing message of a run: "Done.", and the inputs that were not converted with why, if any.
std::string DoneMessage(const std::vector<NotConverted>& failedInputs);

} // namespace pf

#pragma once

// Where one print job's bytes are stored: a temporary file beside the destination, renamed over the
// destination only when the job has ended whole, so a failed or cancelled job leaves the old file and no
// partial one.

#include "winhandles.h"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace pf::pdfwriter {

// A job that cannot be stored, with the reason shown to whoever looks at the job.
class JobError : public std::runtime_error {
public:
    JobError(const std::wstring& reason, DWORD error)
        : std::runtime_error("job error"), m_reason(reason), m_error(error) {}
    const std::wstring& Reason() const { return m_reason; }
    DWORD Error() const { return m_error; }

private:
    std::wstring m_reason;
    DWORD m_error;
};

// The path a job is stored at. A chosen OutputFile is replaced; a file in the Documents folder never is:
// the next free name " (2)", " (3)" ... is taken instead.
struct Destination {
    std::wstring path;
    bool replace = true;
};

// The destination of a job from the user's values: OutputFile when BypassSaveAs is "1" and OutputFile is
// set, otherwise the document's name in the user's Documents folder (a spooler cannot ask). Throws
// JobError when neither gives a full path.
Destination ChooseDestination(const std::wstring& outputFile, const std::wstring& bypassSaveAs,
                              const std::wstring& documentsFolder, const std::wstring& documentName);

class JobFile {
public:
    // Creates the temporary file in the destination's folder; throws JobError when it cannot.
    explicit JobFile(Destination destination);
    ~JobFile();
    JobFile(const JobFile&) = delete;
    JobFile& operator=(const JobFile&) = delete;

    // Appends the bytes; false when the disk refuses them, which spoils the job.
    bool Write(const BYTE* bytes, DWORD count, DWORD* written);

    // Puts the finished file at the destination (under the next free name where it may not replace);
    // throws JobError when the job was spoilt or the rename fails, leaving the destination as it was.
    void Commit();

private:
    void Discard();

    Destination m_destination;
    std::wstring m_temporary;
    platform::win::Handle m_file;
    bool m_spoilt = false;
};

} // namespace pf::pdfwriter

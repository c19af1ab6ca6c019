#pragma once

#include "platform.h"

#include <cstdio>
#include <string>

namespace pf::pdfwriter {

// The PDF file of one job, written through a platform::ReplacingFile: a reader never sees half a PDF, an
// existing file is replaced in one step, and a job that fails, even by being killed, leaves nothing
// behind. The class adds the printer's own messages.
class OutputFile {
public:
    explicit OutputFile(const std::string& target);

    // The open temporary file, or null when it could not be made (Error() says why).
    std::FILE* File() const;
    const std::string& Error() const { return m_error; }

    // Puts the finished file in place. Returns "" on success, else why not; the temporary file is gone
    // either way.
    std::string Commit();

private:
    std::string m_target;
    platform::ReplacingFile m_file;
    std::string m_error;
};

} // namespace pf::pdfwriter

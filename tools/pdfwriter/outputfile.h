#pragma once

#include <cstdio>
#include <string>

namespace pf::pdfwriter {

// The PDF file of one job, written as a nameless file in the target's folder (a named temporary file
// where the file system cannot do that) and renamed over the target only when complete: a reader never
// sees half a PDF, an existing file is replaced in one step, and a job that fails, even by being killed,
// leaves nothing behind.
class OutputFile {
public:
    explicit OutputFile(std::string target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The open temporary file, or null when it could not be made (Error() says why).
    std::FILE* File() const { return m_file; }
    const std::string& Error() const { return m_error; }

    // Puts the finished file in place. Returns "" on success, else why not; the temporary file is gone
    // either way.
    std::string Commit();

private:
    bool OpenNameless(const std::string& folder);
    std::string NameTemporary();

    std::string m_target;
    std::string m_temp; // the temporary file's name, once it has one
    std::FILE* m_file = nullptr;
    std::string m_error;
};

// The folder part of a path ("." when it has none).
std::string FolderOf(const std::string& path);

} // namespace pf::pdfwriter

#include "outputfile.h"

#include <cerrno>
#include <cstring>

namespace pf::pdfwriter {

namespace {

constexpr std::size_t kBufferSize = std::size_t{256} * 1024;

std::string FolderProblem(const std::string& folder, int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "the folder " + folder + " does not exist";
    case EACCES:
    case EPERM:
    case EROFS:
        return "the folder " + folder + " is read-only";
    default:
        return std::strerror(error);
    }
}

std::string FolderOf(const std::string& path) {
    const std::string folder = platform::ParentFolder(path);
    return folder.empty() ? "." : folder;
}

bool IsFolder(const std::string& path) {
    const auto attributes = platform::FileAttributes(path);
    return attributes && (*attributes & platform::attr::kDirectory) != 0;
}

} // namespace

OutputFile::OutputFile(const std::string& target) : m_target(target), m_file(target) {
    const std::string prefix = "cannot write " + m_target + ": ";
    if (IsFolder(m_target)) {
        m_error = prefix + "it is a folder";
        return;
    }
    if (m_file.File() == nullptr) {
        m_error = prefix + FolderProblem(FolderOf(m_target), m_file.Error());
        return;
    }
    std::setvbuf(m_file.File(), nullptr, _IOFBF, kBufferSize);
}

std::FILE* OutputFile::File() const {
    return m_error.empty() ? m_file.File() : nullptr;
}

std::string OutputFile::Commit() {
    const int error = m_file.Commit(std::nullopt, false);
    return error == 0 ? std::string() : "cannot write " + m_target + ": " + std::strerror(error);
}

} // namespace pf::pdfwriter

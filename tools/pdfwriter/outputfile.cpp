#include "outputfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pf::pdfwriter {

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

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

// The permissions a newly created file gets under the user's umask.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

OutputFile::OutputFile(std::string target) : m_target(std::move(target)) {
    const std::string prefix = "cannot write " + m_target + ": ";
    struct stat st {};
    if (::stat(m_target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        m_error = prefix + "it is a folder";
        return;
    }
    const std::string folder = FolderOf(m_target);
    if (!OpenNameless(folder)) {
        m_temp = folder + "/.tarnwicke-pdf-XXXXXX";
        const int fd = ::mkstemp(m_temp.data());
        if (fd < 0) {
            m_error = prefix + FolderProblem(folder, errno);
            m_temp.clear();
            return;
        }
        m_file = ::fdopen(fd, "wb");
    }
    if (m_file == nullptr) {
        m_error = prefix + std::strerror(errno);
        return;
    }
    std::setvbuf(m_file, nullptr, _IOFBF, kBufferSize);
}

bool OutputFile::OpenNameless(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    m_file = ::fdopen(fd, "wb");
    if (m_file == nullptr) {
        ::close(fd);
        return false;
    }
    return true;
}

// Gives the nameless file a temporary name beside the target, so it can be renamed over it.
std::string OutputFile::NameTemporary() {
    const std::string source = "/proc/self/fd/" + std::to_string(::fileno(m_file));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = FolderOf(m_target) + "/.tarnwicke-pdf-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(attempt);
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            m_temp = name;
            return {};
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return std::strerror(errno);
}

OutputFile::~OutputFile() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
    }
}

std::string OutputFile::Commit() {
    std::string error;
    if (std::fflush(m_file) != 0 || std::ferror(m_file) != 0 ||
        ::fchmod(::fileno(m_file), NewFileMode()) != 0) {
        error = std::strerror(errno);
    }
    if (error.empty() && m_temp.empty()) {
        error = NameTemporary();
    }
    if (std::fclose(m_file) != 0 && error.empty()) {
        error = std::strerror(errno);
    }
    m_file = nullptr;
    if (error.empty() && ::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        error = std::strerror(errno);
    }
    if (error.empty()) {
        m_temp.clear();
    }
    return error.empty() ? error : "cannot write " + m_target + ": " + error;
}

} // namespace pf::pdfwriter

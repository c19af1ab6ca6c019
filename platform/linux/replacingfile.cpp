// The Linux ReplacingFile: an O_TMPFILE file in the target's folder, linked under a hidden temporary
// name when complete and renamed over the target; a named temporary file where O_TMPFILE is refused.

#include "platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pf::platform {

namespace {

// The permissions a newly created file gets under the user's umask.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The permissions the replacement gets: those of the regular file it replaces, so that a private file
// stays private, else those of a new file.
mode_t ReplacementMode(const std::string& target) {
    struct stat st {};
    return ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_mode & 0777 : NewFileMode();
}

std::string FolderOf(const std::string& path) {
    const std::string folder = ParentFolder(path);
    return folder.empty() ? "." : folder;
}

// The hidden name a temporary file for the target gets, with the given ending.
std::string TemporaryName(const std::string& target, const std::string& ending) {
    return std::string(FolderPart(target)) + "." + std::string(FileNamePart(target)) + "." + ending;
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

ReplacingFile::ReplacingFile(std::string target) : m_target(std::move(target)) {
    if (OpenNameless(FolderOf(m_target))) {
        return;
    }
    m_temp = TemporaryName(m_target, "XXXXXX");
    const int fd = ::mkostemp(m_temp.data(), O_CLOEXEC);
    if (fd < 0) {
        m_error = errno;
        m_temp.clear();
        return;
    }
    m_file = ::fdopen(fd, "wb");
    if (m_file == nullptr) {
        m_error = errno;
        ::close(fd);
    }
}

bool ReplacingFile::OpenNameless(const std::string& folder) {
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
int ReplacingFile::NameTemporary() {
    const std::string source = "/proc/self/fd/" + std::to_string(::fileno(m_file));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            TemporaryName(m_target, std::to_string(::getpid()) + "-" + std::to_string(attempt));
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            m_temp = name;
            return 0;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return errno;
}

ReplacingFile::~ReplacingFile() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
    }
}

int ReplacingFile::Commit(std::optional<unsigned> permissions, bool durable) {
    if (m_file == nullptr) {
        return m_error != 0 ? m_error : EBADF;
    }
    int error = 0;
    const mode_t mode = permissions ? static_cast<mode_t>(*permissions) : ReplacementMode(m_target);
    if (std::fflush(m_file) != 0 || std::ferror(m_file) != 0 || ::fchmod(::fileno(m_file), mode) != 0 ||
        (durable && ::fsync(::fileno(m_file)) != 0)) {
        error = errno != 0 ? errno : EIO;
    }
    if (error == 0 && m_temp.empty()) {
        error = NameTemporary();
    }
    if (std::fclose(m_file) != 0 && error == 0) {
        error = errno;
    }
    m_file = nullptr;
    if (error == 0 && ::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0 && !m_temp.empty()) {
        ::unlink(m_temp.c_str());
    }
    m_temp.clear();
    if (error == 0 && durable) {
        SyncFolder(FolderOf(m_target));
    }
    return error;
}

} // namespace pf::platform

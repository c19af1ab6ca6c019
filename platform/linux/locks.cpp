// Locks between the processes of one user: flock on a file per lock name beside the user's stores. The
// kernel drops a flock when the last descriptor of its holder closes, which a killed process does too.

#include "descriptor.h"
#include "folders.h"
#include "platform.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pf::platform {

namespace {

std::string LockFolder() {
    return ConfigFolder() + "/Tarnwicke/.locks";
}

// Opens the lock's file, making its folders the first time; throws when it cannot be had.
int OpenLockFile(const std::string& name) {
    const std::string folder = LockFolder();
    const std::string path = folder + "/" + name + ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0 && errno == ENOENT) {
        ::mkdir(ConfigFolder().c_str(), 0700);
        ::mkdir((ConfigFolder() + "/Tarnwicke").c_str(), 0700);
        ::mkdir(folder.c_str(), 0700);
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    }
    if (fd < 0) {
        const int error = errno;
        throw RuntimeError(ErrorNumberFromErrno(error),
                           "The lock folder " + folder + " cannot be used: " + std::strerror(error));
    }
    return fd;
}

bool Flock(int fd, int operation) {
    int result = 0;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

} // namespace

struct UserLock::File {
    explicit File(int descriptor) : fd(descriptor) {}
    detail::Descriptor fd;
};

UserLock::UserLock(std::string name) : m_name(std::move(name)) {}

UserLock::~UserLock() = default;

bool UserLock::TryLock(bool shared) {
    if (!m_file) {
        m_file = std::make_unique<File>(OpenLockFile(m_name));
    }
    return Flock(m_file->fd.Get(), (shared ? LOCK_SH : LOCK_EX) | LOCK_NB);
}

void UserLock::Lock() {
    if (!TryLock(false)) {
        Flock(m_file->fd.Get(), LOCK_EX);
    }
}

// Not const: it gives up what this holder has, although the descriptor stays open for the next lock.
void UserLock::Unlock() { // NOLINT(readability-make-member-function-const)
    if (m_file) {
        Flock(m_file->fd.Get(), LOCK_UN);
    }
}

} // namespace pf::platform

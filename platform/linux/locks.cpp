// Locks between the processes of one user: flock on a file per lock name beside the user's stores. The
// kernel drops a flock when the last descriptor of its holder closes, which a killed process does too.

#include "folders.h"
#include "inifile.h"
#include "platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pf::platform {

namespace {

// Opens the lock's file, making its folders the first time.
int OpenLockFile(const std::string& name) {
    const std::string folder = ConfigFolder() + "/Tarnwicke";
    const std::string path = folder + "/.locks/" + name + ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 && errno == ENOENT) {
        ::mkdir(ConfigFolder().c_str(), 0700);
        ::mkdir(folder.c_str(), 0700);
        ::mkdir((folder + "/.locks").c_str(), 0700);
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    }
    return fd;
}

bool Flock(std::intptr_t fd, int operation) {
    int result = 0;
    do {
        result = ::flock(static_cast<int>(fd), operation);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

} // namespace

UserLock::UserLock(std::string name) : m_name(std::move(name)) {}

UserLock::~UserLock() {
    if (m_handle >= 0) {
        ::close(static_cast<int>(m_handle));
    }
}

bool UserLock::TryLock(bool shared) {
    if (m_handle < 0) {
        m_handle = OpenLockFile(m_name);
        if (m_handle < 0) {
            return true;
        }
    }
    return Flock(m_handle, (shared ? LOCK_SH : LOCK_EX) | LOCK_NB);
}

void UserLock::Lock() {
    if (!TryLock() && m_handle >= 0) {
        Flock(m_handle, LOCK_EX);
    }
}

// Not const: it gives up what this holder has, although the descriptor stays open for the next lock.
void UserLock::Unlock() { // NOLINT(readability-make-member-function-const)
    if (m_handle >= 0) {
        Flock(m_handle, LOCK_UN);
    }
}

} // namespace pf::platform

#pragma once

// The Linux backend's holder of an open file descriptor.

#include <unistd.h>
#include <utility>

namespace pf::platform::detail {

// Closes a file descriptor when it goes; -1 holds none.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

} // namespace pf::platform::detail

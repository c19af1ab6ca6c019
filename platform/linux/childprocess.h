#pragma once

// The one way the Linux backend starts a program: posix_spawn with the child's standard streams set up
// as asked, and the reading and reaping that go with it.

#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

namespace pf::platform::detail {

inline constexpr int kInheritStream = -1; // the child shares this process's stream
inline constexpr int kNullStream = -2;    // the child's stream is the null device

// The child's standard input, output and error: a descriptor of ours, or one of the two values above.
struct ChildStreams {
    int in = kInheritStream;
    int out = kInheritStream;
    int error = kInheritStream;
};

// Starts the program at a path with its arguments (the first is its own name). Returns 0 and the child's
// id, or the errno of the failed start.
int SpawnChild(const std::string& program, std::vector<std::string> args, const ChildStreams& streams,
               pid_t& pid);

// Reads a descriptor to its end (or its first read error) and returns what came.
std::string ReadAll(int fd);
// The same, stopping once more than limit bytes came; error gets the errno of a failed read, else 0.
std::string ReadAll(int fd, std::size_t limit, int& error);

// Waits for a child to end and returns its wait status.
int WaitForChild(pid_t pid);

} // namespace pf::platform::detail

#include "childprocess.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pf::platform::detail {

namespace {

// Sets up one standard stream of the child; a stream it shares with us needs no action.
void AddStream(posix_spawn_file_actions_t& actions, int stream, int target) {
    if (stream == kNullStream) {
        ::posix_spawn_file_actions_addopen(&actions, target, "/dev/null",
                                           target == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
    } else if (stream != kInheritStream) {
        ::posix_spawn_file_actions_adddup2(&actions, stream, target);
    }
}

} // namespace

int SpawnChild(const std::string& program, std::vector<std::string> args, const ChildStreams& streams,
               pid_t& pid) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    AddStream(actions, streams.in, STDIN_FILENO);
    AddStream(actions, streams.out, STDOUT_FILENO);
    AddStream(actions, streams.error, STDERR_FILENO);
    const int error = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    return error;
}

std::string ReadAll(int fd) {
    int error = 0;
    return ReadAll(fd, std::string().max_size(), error);
}

std::string ReadAll(int fd, std::size_t limit, int& error) {
    std::string text;
    std::array<char, 4096> buffer{};
    error = 0;
    while (text.size() <= limit) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = errno;
        }
        if (n <= 0) {
            break;
        }
        text.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return text;
}

int WaitForChild(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace pf::platform::detail

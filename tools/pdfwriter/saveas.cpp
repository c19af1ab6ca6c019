#include "saveas.h"

#include "platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pf::pdfwriter {

namespace {

constexpr const char* kDialogProgram = "tarnwicke-pdf-writer-saveas";

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return true;
        }
    }
    return false;
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

// Runs the dialog program: it prints the chosen path and exits 0, or exits non-zero when cancelled.
// Its own messages go nowhere, so the printer's one line of complaint stays the last.
int RunDialog(const std::string& program, const std::string& suggestion, std::string& output) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string arg0 = program;
    std::string arg1 = suggestion;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (error != 0) {
        ::close(out[0]);
        return -1;
    }
    output = ReadAll(out[0]);
    ::close(out[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

SaveAsAnswer AskSaveAs(const std::string& suggestion) {
    if (!HasDisplay()) {
        return {"", "BypassSaveAs is not \"1\" and there is no display to ask for a file name on"};
    }
    const std::string program = platform::ProgramFolder() + "/" + kDialogProgram;
    std::string output;
    const int status = RunDialog(program, suggestion, output);
    if (status < 0) {
        return {"", "the Save As dialog " + program + " could not be started"};
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) {
        output.pop_back();
    }
    if (status != 0 || output.empty()) {
        return {"", "the Save As dialog was cancelled"};
    }
    return {output, ""};
}

} // namespace pf::pdfwriter

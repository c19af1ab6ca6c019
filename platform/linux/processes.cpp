// Starting command lines and waiting for them on Linux: the command line is split by the Windows rules
// (so the same text starts the same program on both systems), started with posix_spawn and reaped with
// waitpid. Window styles have no meaning here and are ignored.

#include "childprocess.h"
#include "platform.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace pf::platform {

namespace {

// Windows error numbers that a failed start reports.
int WindowsErrorFromErrno(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
        return 2; // ERROR_FILE_NOT_FOUND
    case ENOTDIR:
        return 3; // ERROR_PATH_NOT_FOUND
    case EACCES:
    case EPERM:
    case EISDIR:
        return 5; // ERROR_ACCESS_DENIED
    case ENOMEM:
    case EAGAIN:
        return 8; // ERROR_NOT_ENOUGH_MEMORY
    case ETXTBSY:
        return 32; // ERROR_SHARING_VIOLATION
    case E2BIG:
        return 87; // ERROR_INVALID_PARAMETER
    case ENOEXEC:
        return 193; // ERROR_BAD_EXE_FORMAT
    case ENAMETOOLONG:
        return 206; // ERROR_FILENAME_EXCED_RANGE
    case ELOOP:
        return 1921; // ERROR_CANT_RESOLVE_FILENAME
    default:
        return 31; // ERROR_GEN_FAILURE
    }
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The program name ends at the next quote when it starts with one, else at the first blank; no
// backslash rules apply to it.
std::size_t SplitProgramName(std::string_view line, std::string& name) {
    std::size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        for (i = 1; i < line.size() && line[i] != '"'; ++i) {
            name += line[i];
        }
        return i < line.size() ? i + 1 : i;
    }
    for (; i < line.size() && !IsBlank(line[i]); ++i) {
        name += line[i];
    }
    return i;
}

// One quote (or a run of quotes) of an argument: 2n backslashes before it are n backslashes and the quote
// opens or closes a quoted part; 2n+1 are n backslashes and a literal quote. Inside a run of quotes every
// third quote is literal. Returns the index after the run.
std::size_t TakeQuotes(std::string_view line, std::size_t i, std::string& arg, int& backslashes,
                       int& quotes) {
    arg.resize(arg.size() - static_cast<std::size_t>(backslashes / 2));
    if (backslashes % 2 == 0) {
        ++quotes;
    } else {
        arg.back() = '"';
    }
    backslashes = 0;
    for (++i; i < line.size() && line[i] == '"'; ++i) {
        if (++quotes == 3) {
            arg += '"';
            quotes = 0;
        }
    }
    if (quotes == 2) {
        quotes = 0;
    }
    return i;
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args(1);
    std::size_t i = SplitProgramName(line, args[0]);
    while (i < line.size() && IsBlank(line[i])) {
        ++i;
    }
    if (i == line.size()) {
        return args;
    }
    args.emplace_back();
    int backslashes = 0;
    int quotes = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (IsBlank(c) && quotes == 0) {
            backslashes = 0;
            while (i < line.size() && IsBlank(line[i])) {
                ++i;
            }
            if (i < line.size()) {
                args.emplace_back();
            }
        } else if (c == '"') {
            i = TakeQuotes(line, i, args.back(), backslashes, quotes);
        } else {
            backslashes = c == '\\' ? backslashes + 1 : 0;
            args.back() += c;
            ++i;
        }
    }
    return args;
}

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// A program name without a "/" is looked for on PATH; unlike a shell, nothing else is tried.
std::string ResolveProgram(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return name;
    }
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!dirs.empty()) {
        const std::size_t colon = dirs.find(':');
        const std::string_view dir = dirs.substr(0, colon);
        std::string candidate = std::string(dir.empty() ? "." : dir) + "/" + name;
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    }
    return name;
}

// What we know of the processes we started: a process is reaped as soon as a query finds it ended, and
// one closed while still running is reaped by a later call, so no child stays a zombie.
struct ProcessTable {
    std::mutex mutex;
    std::map<std::int64_t, std::optional<std::uint32_t>> exitCodes; // empty while running
    std::vector<std::int64_t> closedRunning;
};

ProcessTable& Processes() {
    static ProcessTable table;
    return table;
}

// The exit code of an ended child; a child ended by a signal reports 128 plus the signal, as shells do.
std::uint32_t ExitCodeFromStatus(int status) {
    if (WIFEXITED(status)) {
        return static_cast<std::uint32_t>(WEXITSTATUS(status));
    }
    return 128u + static_cast<std::uint32_t>(WTERMSIG(status));
}

void ReapClosed(ProcessTable& table) {
    std::erase_if(table.closedRunning, [](std::int64_t id) {
        int status = 0;
        return ::waitpid(static_cast<pid_t>(id), &status, WNOHANG) != 0;
    });
}

} // namespace

StartedProcess StartCommandLine(const std::string& commandLine, int /*windowStyle*/) {
    std::vector<std::string> args = SplitCommandLine(commandLine);
    const std::string program = ResolveProgram(args[0]);
    if (program.empty()) {
        return {false, WindowsErrorFromErrno(ENOENT), 0};
    }
    pid_t pid = 0;
    const int error = detail::SpawnChild(program, std::move(args), {}, pid);
    if (error != 0) {
        return {false, WindowsErrorFromErrno(error), 0};
    }
    auto& table = Processes();
    const std::lock_guard lock(table.mutex);
    ReapClosed(table);
    table.exitCodes[pid] = std::nullopt;
    return {true, 0, pid};
}

std::optional<std::uint32_t> ProcessExitCode(std::int64_t id) {
    auto& table = Processes();
    const std::lock_guard lock(table.mutex);
    const auto it = table.exitCodes.find(id);
    if (it == table.exitCodes.end()) {
        return std::nullopt;
    }
    if (!it->second) {
        int status = 0;
        const pid_t done = ::waitpid(static_cast<pid_t>(id), &status, WNOHANG);
        if (done == 0) {
            return kStillActive;
        }
        if (done < 0) {
            table.exitCodes.erase(it); // reaped elsewhere: its code is lost
            return std::nullopt;
        }
        it->second = ExitCodeFromStatus(status);
    }
    return it->second;
}

void CloseProcess(std::int64_t id) {
    auto& table = Processes();
    const std::lock_guard lock(table.mutex);
    const auto it = table.exitCodes.find(id);
    if (it == table.exitCodes.end()) {
        return;
    }
    if (!it->second) {
        table.closedRunning.push_back(id);
    }
    table.exitCodes.erase(it);
    ReapClosed(table);
}

std::optional<ProgramOutput> RunProgram(const std::string& program, const std::vector<std::string>& args) {
    std::array<int, 2> out{};
    if (::pipe2(out.data(), O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_t pid = 0;
    const int error =
        detail::SpawnChild(program, std::move(argv), {detail::kNullStream, out[1], detail::kNullStream}, pid);
    ::close(out[1]);
    if (error != 0) {
        ::close(out[0]);
        return std::nullopt;
    }
    ProgramOutput result;
    result.output = detail::ReadAll(out[0]);
    ::close(out[0]);
    const int status = detail::WaitForChild(pid);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

double SecondsSinceMidnight() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
           static_cast<double>(now.tv_nsec) / 1e9;
}

void SleepMilliseconds(int milliseconds) {
    if (milliseconds <= 0) {
        return;
    }
    timespec left{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void EndProgramNow(int exitCode) {
    ::_exit(exitCode);
}

namespace {

std::array<int, 2> endRequestPipe = {-1, -1};

// Runs in the signal: only writes one byte, which wakes whoever watches the pipe's reading end.
void NoteEndRequest(int /*signal*/) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(endRequestPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

int EndRequestDescriptor() {
    static const int descriptor = [] {
        if (::pipe2(endRequestPipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
            return -1;
        }
        struct sigaction action {};
        action.sa_handler = NoteEndRequest;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &action, nullptr);
        ::sigaction(SIGHUP, &action, nullptr);
        return endRequestPipe[0];
    }();
    return descriptor;
}

void TakeEndRequests() {
    std::array<char, 64> bytes{};
    while (endRequestPipe[0] >= 0 && ::read(endRequestPipe[0], bytes.data(), bytes.size()) > 0) {
    }
}

} // namespace pf::platform

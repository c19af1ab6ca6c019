// Starting command lines and waiting for them on Windows. A started process is known by its id; the
// handle from its creation is kept until CloseProcess, so that the id cannot pass to another process
// meanwhile, and its exit code is read through a handle opened for querying only.

#include "platform.h"
#include "win32.h"

#include <shellapi.h>

#include <map>
#include <mutex>

namespace pf::platform {

namespace {

// The handles kept for one started process.
struct KeptProcess {
    win::Handle created;
    win::Handle query;
};

struct ProcessTable {
    std::mutex mutex;
    std::map<std::int64_t, KeptProcess> processes;
};

ProcessTable& Processes() {
    static ProcessTable table;
    return table;
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    // The shell's parser takes an empty line as "this program"; the empty line names no program.
    if (commandLine.find_first_not_of(" \t") == std::string_view::npos) {
        return {std::string()};
    }
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(win::ToWide(commandLine).c_str(), &count);
    std::vector<std::string> split;
    for (int i = 0; arguments != nullptr && i < count; ++i) {
        split.push_back(win::FromWide(arguments[i]));
    }
    ::LocalFree(arguments);
    if (split.empty()) {
        split.emplace_back();
    }
    return split;
}

StartedProcess StartCommandLine(const std::string& commandLine, int windowStyle) {
    const auto ansi = win::ToAnsi(commandLine);
    if (!ansi) {
        return {false, static_cast<int>(ERROR_NO_UNICODE_TRANSLATION), 0};
    }
    std::string line = *ansi; // CreateProcessA may write into the command line
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started)) {
        return {false, static_cast<int>(::GetLastError()), 0};
    }
    ::CloseHandle(started.hThread);
    auto& table = Processes();
    const std::lock_guard lock(table.mutex);
    table.processes[started.dwProcessId].created = win::Handle(started.hProcess);
    return {true, 0, started.dwProcessId};
}

std::optional<std::uint32_t> ProcessExitCode(std::int64_t id) {
    auto& table = Processes();
    const std::lock_guard lock(table.mutex);
    const auto it = table.processes.find(id);
    if (it == table.processes.end()) {
        return std::nullopt;
    }
    KeptProcess& process = it->second;
    if (!process.query.IsValid()) {
        process.query = win::Handle(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(id)));
    }
    // Whether the process has ended is asked before its code is read: a process that ends between the
    // two reads has its final code read, while one asked the other way round would read 259 and then
    // look ended, as if 259 were its code.
    const bool ended = ::WaitForSingleObject(process.created.Get(), 0) == WAIT_OBJECT_0;
    DWORD code = 0;
    if (!process.query.IsValid() || !::GetExitCodeProcess(process.query.Get(), &code)) {
        return std::nullopt;
    }
    // A process that ended with the code 259 itself would read as running for ever: it reads as one whose
    // code cannot be told, so that a waiter stops.
    if (code == kStillActive && ended) {
        return std::nullopt;
    }
    return code;
}

void CloseProcess(std::int64_t id) {
    auto& table = Processes();
    const std::lock_guard lock(table.mutex);
    table.processes.erase(id);
}

double SecondsSinceMidnight() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

void SleepMilliseconds(int milliseconds) {
    if (milliseconds > 0) {
        ::Sleep(static_cast<DWORD>(milliseconds));
    }
}

void EndProgramNow(int exitCode) {
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(exitCode));
    ::ExitProcess(static_cast<UINT>(exitCode)); // not reached: TerminateProcess does not return for itself
}

// A Windows program learns of a logout from its window's own messages.
int EndRequestDescriptor() {
    return -1;
}

void TakeEndRequests() {}

} // namespace pf::platform

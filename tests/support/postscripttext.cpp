#include "postscripttext.h"

#include "temphome.h"

#include <windows.h>

#include <chrono>

namespace pf::test {

std::string UnixPath(const std::string& path) {
    using Convert = char* (*)(const wchar_t*);
    const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (convert == nullptr) {
        return {};
    }
    char* unixPath = convert(FsPath(path).c_str());
    std::string result = unixPath != nullptr ? unixPath : "";
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    return result;
}

// ps2pdf and pdftotext run as Unix programs, which Wine starts without a handle to wait on: the text
// file appears when they are done.
std::string PostScriptText(const std::string& postScript, const std::string& workFolder,
                           const std::string& option) {
    const std::string text = workFolder + "\\proof.txt";
    ::DeleteFileW(FsPath(text).c_str());
    std::wstring commandLine =
        FsPath("Z:\\bin\\sh -c \"exec 2>/dev/null; PATH=/usr/bin:/bin; cd '" + UnixPath(workFolder) +
               "' && ps2pdf '" + UnixPath(postScript) + "' proof.pdf && pdftotext " + option +
               " proof.pdf proof.part; mv proof.part proof.txt || touch proof.txt\"")
            .wstring();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        return {};
    }
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (::GetFileAttributesW(FsPath(text).c_str()) == INVALID_FILE_ATTRIBUTES &&
           std::chrono::steady_clock::now() < deadline) {
        ::Sleep(20);
    }
    return ReadFile(text);
}

} // namespace pf::test

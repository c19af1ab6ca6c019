#include "win32.h"

#include "runtimeerror.h"

#include <algorithm>
#include <string>
#include <vector>

namespace pf::platform::win {

namespace {

// The ANSI code page's conversion from UTF-16; usedDefault reports a character without a code. A UTF-8
// code page has a code for every character and takes neither the flag nor the report.
std::string WideToAnsi(std::wstring_view wide, bool* usedDefault) {
    if (wide.empty()) {
        return {};
    }
    const UINT codePage = ::GetACP();
    const bool isUtf8 = codePage == CP_UTF8;
    const DWORD flags = isUtf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL* report = isUtf8 ? nullptr : &defaulted;
    const int length = static_cast<int>(wide.size());
    const int size = ::WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, report);
    std::string ansi(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        ::WideCharToMultiByte(codePage, flags, wide.data(), length, ansi.data(), size, nullptr, report);
    }
    if (usedDefault != nullptr) {
        *usedDefault = defaulted != FALSE || (size <= 0 && !wide.empty());
    }
    return ansi;
}

std::wstring MultiByteToWide(UINT codePage, std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int size = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) {
        ::MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), size);
    }
    return wide;
}

} // namespace

std::optional<std::string> ToAnsi(std::string_view utf8) {
    bool usedDefault = false;
    std::string ansi = WideToAnsi(ToWide(utf8), &usedDefault);
    if (usedDefault) {
        return std::nullopt;
    }
    return ansi;
}

std::string ToAnsiLossy(std::string_view utf8) {
    return WideToAnsi(ToWide(utf8), nullptr);
}

std::string FromAnsi(std::string_view ansi) {
    return FromWide(MultiByteToWide(CP_ACP, ansi));
}

std::string AsAnsiShowsIt(std::wstring_view wide) {
    return FromAnsi(WideToAnsi(wide, nullptr));
}

std::wstring ToWide(std::string_view utf8) {
    return MultiByteToWide(CP_UTF8, utf8);
}

std::string FromWide(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int length = static_cast<int>(wide.size());
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), size, nullptr, nullptr);
    }
    return utf8;
}

std::string SystemMessage(unsigned long error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    ::LocalFree(text);
    std::replace(message.begin(), message.end(), L'\r', L' ');
    std::replace(message.begin(), message.end(), L'\n', L' ');
    message.erase(message.find_last_not_of(L" .") + 1);
    return message.empty() ? "Windows error " + std::to_string(error) : FromWide(message);
}

int ErrorNumberFromWindowsError(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return err::kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
        return err::kPathNotFound;
    case ERROR_TOO_MANY_OPEN_FILES:
        return 67;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return err::kPermissionDenied;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return 7;
    case ERROR_NOT_READY:
        return 71;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        return err::kDiskFull;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return 58;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_NO_UNICODE_TRANSLATION:
        return 52;
    case ERROR_INVALID_PARAMETER:
        return err::kInvalidProcedureCall;
    default:
        return err::kPathFileAccessError;
    }
}

void ThrowLastError() {
    throw RuntimeError(ErrorNumberFromWindowsError(::GetLastError()));
}

} // namespace pf::platform::win

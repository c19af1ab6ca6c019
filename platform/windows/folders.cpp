// Where things live on Windows: the program's folder, the shell's desktop folder, the user's profile and
// the TEMP folder.

#include "platform.h"
#include "win32.h"

#include <filesystem>
#include <random>
#include <shlobj.h>

namespace pf::platform {

namespace {

std::string& ProgramFolderOverride() {
    static std::string folder;
    return folder;
}

// The value of an environment variable in the ANSI code page, "" when it is not set.
std::string EnvironmentValue(const char* name) {
    std::string value(MAX_PATH, '\0');
    DWORD size = ::GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    if (size > value.size()) {
        value.resize(size);
        size = ::GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    }
    value.resize(size < value.size() ? size : 0);
    return win::FromAnsi(value);
}

} // namespace

std::string ProgramFolder() {
    if (!ProgramFolderOverride().empty()) {
        return ProgramFolderOverride();
    }
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD size = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (size == 0) {
            return {};
        }
        if (size < path.size()) {
            path.resize(size);
            break;
        }
        path.resize(path.size() * 2);
    }
    // "C:\program.exe" lives in "C:\", which keeps its separator.
    return win::FromAnsi(ParentFolder(path));
}

void OverrideProgramFolder(const std::string& folder) {
    ProgramFolderOverride() = folder;
}

std::string DesktopFolder() {
    LPITEMIDLIST item = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &item)) || item == nullptr) {
        return {};
    }
    char path[MAX_PATH] = {};
    const bool found = ::SHGetPathFromIDListA(item, path) != FALSE;
    ::CoTaskMemFree(item);
    return found ? win::FromAnsi(path) : std::string();
}

std::string HomeFolder() {
    const std::string profile = EnvironmentValue("USERPROFILE");
    if (!profile.empty()) {
        return profile;
    }
    char path[MAX_PATH] = {};
    if (SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return win::FromAnsi(path);
    }
    return "C:\\";
}

// The user's TEMP folder is the user's own on Windows. It is taken as set, so that an unset TEMP gives
// the empty text and the copy goes to "\temp.txt" of the current drive, as it always has.
std::string PrivateTempFolder() {
    const std::string folder = EnvironmentValue("TEMP");
    if (!folder.empty() && !HasModificationTime(folder)) {
        const auto ansi = win::ToAnsi(folder);
        if (!ansi) {
            throw RuntimeError(win::ErrorNumberFromWindowsError(ERROR_INVALID_NAME));
        }
        const int result = ::SHCreateDirectoryExA(nullptr, ansi->c_str(), nullptr);
        if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS) {
            throw RuntimeError(win::ErrorNumberFromWindowsError(static_cast<DWORD>(result)));
        }
    }
    return folder;
}

// A name no other run guesses: a random number, tried again in the rare case it is taken.
std::string MakeRunFolder() {
    const std::string base = PrivateTempFolder();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string folder = base + "\\plumavert-fennic-" + std::to_string(random());
        if (::CreateDirectoryW(win::ToWide(folder).c_str(), nullptr)) {
            return folder;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    win::ThrowLastError();
}

// Windows keeps no lock on a run folder: a folder that a killed run left stays until TEMP is cleaned.
void RemoveAbandonedRunFolders() {}

void RemoveRunFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(win::ToWide(folder)), ec);
}

} // namespace pf::platform

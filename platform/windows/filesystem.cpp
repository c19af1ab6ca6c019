// The Windows file system through the "A" calls, with paths in the ANSI code page: a path the code page
// cannot represent names no file here, as for the program's own calls. Folder listings are read with
// FindFirstFileW, because the ANSI listing replaces a name's foreign letters with look-alikes ("Ā.txt"
// comes back as "A.txt", another file's name); names are then shown as the ANSI calls see them, with "?"
// for each such letter, so they never open another file. Listings come in NTFS order on every volume.

#include "pathrules.h"
#include "platform.h"
#include "win32.h"

#include <shellapi.h>

#include <algorithm>

namespace pf::platform {

namespace {

// One entry of a raw folder listing.
struct Found {
    std::wstring name;
    DWORD attributes = 0;
};

bool EndsWithSeparator(std::string_view path) {
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

std::string Join(const std::string& folder, std::string_view name) {
    return EndsWithSeparator(folder) ? folder + std::string(name) : folder + '\\' + std::string(name);
}

bool IsDotEntry(std::wstring_view name) {
    return name == L"." || name == L"..";
}

bool IsFolderAttribute(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// NTFS keeps a folder's names in the order of their upper-case UTF-16 code units; names equal but for
// letter case keep their own ordinal order.
bool ListedBefore(const Found& a, const Found& b) {
    const int length = static_cast<int>(a.name.size());
    const int otherLength = static_cast<int>(b.name.size());
    const int folded = ::CompareStringOrdinal(a.name.c_str(), length, b.name.c_str(), otherLength, TRUE);
    if (folded != CSTR_EQUAL) {
        return folded == CSTR_LESS_THAN;
    }
    return ::CompareStringOrdinal(a.name.c_str(), length, b.name.c_str(), otherLength, FALSE) ==
           CSTR_LESS_THAN;
}

// The entries of folder + pattern other than "." and "..", sorted. Returns the Windows error of a listing
// that failed; an empty match is no failure.
DWORD ReadListing(const std::string& folder, std::string_view pattern, std::vector<Found>& entries) {
    const std::string search = Join(folder, pattern);
    if (folder.empty() || !win::ToAnsi(search)) {
        return ERROR_INVALID_NAME;
    }
    WIN32_FIND_DATAW data{};
    const HANDLE find = ::FindFirstFileW(win::ToWide(search).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        // A path that names no folder is "path not found", whatever the system said about the pattern; a
        // folder without a match is an empty listing.
        const DWORD error = ::GetLastError();
        const auto attributes = FileAttributes(folder);
        if (!attributes || !IsFolderAttribute(*attributes)) {
            return ERROR_PATH_NOT_FOUND;
        }
        return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
    }
    do {
        if (!IsDotEntry(data.cFileName)) {
            entries.push_back({data.cFileName, data.dwFileAttributes});
        }
    } while (::FindNextFileW(find, &data));
    const DWORD error = ::GetLastError();
    ::FindClose(find);
    std::sort(entries.begin(), entries.end(), ListedBefore);
    return error == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : error;
}

std::optional<BY_HANDLE_FILE_INFORMATION> InformationOf(const std::string& path, DWORD flags) {
    const auto ansi = win::ToAnsi(path);
    if (!ansi || ansi->empty()) {
        return std::nullopt;
    }
    const win::Handle file(::CreateFileA(ansi->c_str(), 0,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, flags, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file.IsValid() || !::GetFileInformationByHandle(file.Get(), &information)) {
        return std::nullopt;
    }
    return information;
}

std::uint64_t Combine(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// An entry as the callers see it; a link to a folder carries its target's identity.
FolderEntry MakeEntry(const std::string& folder, const Found& found) {
    FolderEntry entry;
    entry.name = win::AsAnsiShowsIt(found.name);
    entry.attributes = found.attributes;
    const std::string path = Join(folder, entry.name);
    if (IsFolderAttribute(found.attributes)) {
        if ((found.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            entry.folderId = IdentifyFolder(path);
        }
    } else {
        entry.opensAsFile = CanOpenExistingFile(path);
    }
    return entry;
}

// Upper case as the file system compares names.
std::wstring Folded(std::string_view text) {
    std::wstring wide = win::ToWide(text);
    if (!wide.empty()) {
        ::CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    }
    return wide;
}

// InputFile keeps its handle as the integer the interface declares.
HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle); // NOLINT(performance-no-int-to-ptr)
}

} // namespace

std::optional<unsigned> FileAttributes(const std::string& path) {
    const auto ansi = win::ToAnsi(path);
    if (!ansi || ansi->empty()) {
        return std::nullopt;
    }
    const DWORD attributes = ::GetFileAttributesA(ansi->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    return static_cast<unsigned>(attributes);
}

bool CanOpenExistingFile(const std::string& path) {
    const auto ansi = win::ToAnsi(path);
    if (!ansi || ansi->empty()) {
        return false;
    }
    // No access rights, shared reading and writing, no buffering, sequential scan: a folder fails.
    const win::Handle file(::CreateFileA(ansi->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN,
                                         nullptr));
    return file.IsValid();
}

bool HasModificationTime(const std::string& path) {
    const auto ansi = win::ToAnsi(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return ansi && !ansi->empty() && ::GetFileAttributesExA(ansi->c_str(), GetFileExInfoStandard, &data);
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*" || pattern == "*.*") {
        return true;
    }
    return detail::MatchWildcard<wchar_t>(Folded(pattern), Folded(name));
}

bool ListingMatchesLikeWildcardMatch() {
    return false; // FindFirstFile also matches the short (8.3) names
}

std::vector<FolderEntry> ListFolderEntries(const std::string& folder, std::string_view pattern,
                                           bool includeFolders) {
    std::vector<Found> found;
    std::vector<FolderEntry> entries;
    if (ReadListing(folder, pattern, found) != ERROR_SUCCESS) {
        return entries;
    }
    for (const Found& raw : found) {
        if (includeFolders || !IsFolderAttribute(raw.attributes)) {
            entries.push_back(MakeEntry(folder, raw));
        }
    }
    return entries;
}

std::vector<FolderEntry> ListSubfolders(const std::string& folder) {
    std::vector<Found> found;
    const DWORD error = ReadListing(folder, "*", found);
    if (error != ERROR_SUCCESS) {
        throw RuntimeError(win::ErrorNumberFromWindowsError(error));
    }
    std::vector<FolderEntry> subfolders;
    for (const Found& raw : found) {
        if (IsFolderAttribute(raw.attributes)) {
            subfolders.push_back(MakeEntry(folder, raw));
        }
    }
    return subfolders;
}

std::optional<FolderId> IdentifyFolder(const std::string& path) {
    const auto information = InformationOf(path, FILE_FLAG_BACKUP_SEMANTICS);
    if (!information || !IsFolderAttribute(information->dwFileAttributes)) {
        return std::nullopt;
    }
    return FolderId{information->dwVolumeSerialNumber,
                    Combine(information->nFileIndexHigh, information->nFileIndexLow)};
}

std::optional<std::string> FileIdentity(const std::string& path) {
    const auto information = InformationOf(path, 0);
    if (!information || IsFolderAttribute(information->dwFileAttributes)) {
        return std::nullopt;
    }
    const FILETIME& written = information->ftLastWriteTime;
    return std::to_string(information->dwVolumeSerialNumber) + ':' +
           std::to_string(Combine(information->nFileIndexHigh, information->nFileIndexLow)) + ':' +
           std::to_string(Combine(information->nFileSizeHigh, information->nFileSizeLow)) + ':' +
           std::to_string(Combine(written.dwHighDateTime, written.dwLowDateTime));
}

bool DeleteFileQuietly(const std::string& path) {
    const auto ansi = win::ToAnsi(path);
    return ansi && !ansi->empty() && ::DeleteFileA(ansi->c_str());
}

bool ForceDeleteFile(const std::string& path) {
    const auto ansi = win::ToAnsi(path);
    if (!ansi || ansi->empty()) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesA(ansi->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || IsFolderAttribute(attributes)) {
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ::SetFileAttributesA(ansi->c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
    if (::DeleteFileA(ansi->c_str())) {
        return true;
    }
    ::SetFileAttributesA(ansi->c_str(), attributes); // the file stays as it was
    return false;
}

void CopyFileReplacing(const std::string& source, const std::string& target) {
    const auto from = win::ToAnsi(source);
    const auto to = win::ToAnsi(target);
    if (!from || !to) {
        throw RuntimeError(win::ErrorNumberFromWindowsError(ERROR_INVALID_NAME));
    }
    if (::CopyFileA(from->c_str(), to->c_str(), FALSE)) {
        return;
    }
    // A read-only target refuses to be replaced; it is ours to replace, so it is made writable once.
    const DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesA(to->c_str());
    const bool isReadOnlyFile = attributes != INVALID_FILE_ATTRIBUTES && !IsFolderAttribute(attributes) &&
                                (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (error != ERROR_ACCESS_DENIED || !isReadOnlyFile) {
        throw RuntimeError(win::ErrorNumberFromWindowsError(error));
    }
    if (!::SetFileAttributesA(to->c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) ||
        !::CopyFileA(from->c_str(), to->c_str(), FALSE)) {
        win::ThrowLastError();
    }
}

// A folder's write permission is not an attribute on Windows: the answer is whether a new file can be made.
bool CanCreateFilesIn(const std::string& folder) {
    const auto ansi = win::ToAnsi(folder);
    if (!ansi || ansi->empty()) {
        return false;
    }
    char name[MAX_PATH] = {};
    if (::GetTempFileNameA(ansi->c_str(), "pf", 0, name) == 0) {
        return false;
    }
    ::DeleteFileA(name);
    return true;
}

std::string FileNameKey(std::string_view name) {
    return win::FromWide(Folded(name));
}

InputFile::InputFile(const std::string& path)
    : m_handle(reinterpret_cast<std::intptr_t>(::CreateFileW(
          win::ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
          nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr))) {
    const HANDLE handle = AsHandle(m_handle);
    if (handle == INVALID_HANDLE_VALUE) {
        m_error = win::SystemMessage(::GetLastError());
    } else if (::GetFileType(handle) != FILE_TYPE_DISK) {
        m_error = "it is not a regular file";
    }
}

InputFile::~InputFile() {
    if (AsHandle(m_handle) != INVALID_HANDLE_VALUE) {
        ::CloseHandle(AsHandle(m_handle));
    }
}

std::int64_t InputFile::Read(std::vector<unsigned char>& buffer) {
    DWORD read = 0;
    if (!::ReadFile(AsHandle(m_handle), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
        m_error = win::SystemMessage(::GetLastError());
        return -1;
    }
    return read;
}

bool InputFile::Seek(std::uint64_t offset) {
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(AsHandle(m_handle), position, nullptr, FILE_BEGIN)) {
        m_error = win::SystemMessage(::GetLastError());
        return false;
    }
    return true;
}

// The wide command line: the narrow arguments of main are in the ANSI code page.
std::vector<std::string> ProgramArguments(int /*argc*/, char** /*argv*/) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; wide != nullptr && i < count; ++i) {
        arguments.push_back(win::FromWide(wide[i]));
    }
    ::LocalFree(wide);
    return arguments;
}

} // namespace pf::platform

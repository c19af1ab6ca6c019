// Locks between the processes of one user: LockFileEx on a file per lock name in the user's local
// application data. The system releases a process's file locks when the process ends, however it ends.

#include "platform.h"
#include "win32.h"

namespace pf::platform {

namespace {

// The folder of the lock files, made when missing: Tarnwicke in the user's local application data.
std::wstring LockFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    DWORD size = ::GetEnvironmentVariableW(L"LOCALAPPDATA", folder.data(), MAX_PATH);
    if (size == 0 || size >= MAX_PATH) {
        size = ::GetTempPathW(MAX_PATH, folder.data());
    }
    folder.resize(size < MAX_PATH ? size : 0);
    while (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    folder += L"\\Tarnwicke";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// Opens the lock's file; throws, naming the folder, when it cannot be had.
win::Handle OpenLockFile(const std::string& name) {
    const std::wstring folder = LockFolder();
    win::Handle file(::CreateFileW((folder + L"\\" + win::ToWide(name) + L".lock").c_str(),
                                   GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        const DWORD error = ::GetLastError();
        const int number = win::ErrorNumberFromWindowsError(error);
        throw RuntimeError(number, "The lock folder " + win::FromWide(folder) +
                                       " cannot be used: " + ErrorDescription(number));
    }
    return file;
}

bool LockWhole(HANDLE handle, DWORD flags) {
    OVERLAPPED at = {};
    return ::LockFileEx(handle, flags, 0, MAXDWORD, MAXDWORD, &at) != FALSE;
}

void UnlockWhole(HANDLE handle) {
    OVERLAPPED at = {};
    ::UnlockFileEx(handle, 0, MAXDWORD, MAXDWORD, &at);
}

} // namespace

// Closing the handle releases its locks.
struct UserLock::File {
    win::Handle handle;
};

UserLock::UserLock(std::string name) : m_name(std::move(name)) {}

UserLock::~UserLock() = default;

// Windows cannot change a held lock from shared to exclusive in place: it is let go and taken anew.
bool UserLock::TryLock(bool shared) {
    if (!m_file) {
        m_file = std::make_unique<File>(File{OpenLockFile(m_name)});
    } else {
        UnlockWhole(m_file->handle.Get());
    }
    return LockWhole(m_file->handle.Get(),
                     (shared ? 0 : LOCKFILE_EXCLUSIVE_LOCK) | LOCKFILE_FAIL_IMMEDIATELY);
}

void UserLock::Lock() {
    if (!TryLock(false)) {
        LockWhole(m_file->handle.Get(), LOCKFILE_EXCLUSIVE_LOCK);
    }
}

void UserLock::Unlock() {
    if (m_file) {
        UnlockWhole(m_file->handle.Get());
    }
}

} // namespace pf::platform

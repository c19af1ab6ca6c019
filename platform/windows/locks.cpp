// Locks between the processes of one user: LockFileEx on a file per lock name in the user's local
// application data. The system releases a process's file locks when the process ends, however it ends.

#include "platform.h"
#include "win32.h"

namespace pf::platform {

namespace {

std::wstring LockPath(const std::string& name) {
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
    return folder + L"\\" + win::ToWide(name) + L".lock";
}

HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

bool LockWhole(std::intptr_t handle, DWORD flags) {
    OVERLAPPED at = {};
    return ::LockFileEx(AsHandle(handle), flags, 0, MAXDWORD, MAXDWORD, &at) != FALSE;
}

void UnlockWhole(std::intptr_t handle) {
    OVERLAPPED at = {};
    ::UnlockFileEx(AsHandle(handle), 0, MAXDWORD, MAXDWORD, &at);
}

} // namespace

UserLock::UserLock(std::string name) : m_name(std::move(name)) {}

UserLock::~UserLock() {
    if (m_handle >= 0) {
        ::CloseHandle(AsHandle(m_handle)); // closing the handle releases its locks
    }
}

// Windows cannot change a held lock from shared to exclusive in place: it is let go and taken anew.
bool UserLock::TryLock(bool shared) {
    if (m_handle < 0) {
        const HANDLE file = ::CreateFileW(LockPath(m_name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return true;
        }
        m_handle = reinterpret_cast<std::intptr_t>(file);
    } else {
        UnlockWhole(m_handle);
    }
    return LockWhole(m_handle, (shared ? 0 : LOCKFILE_EXCLUSIVE_LOCK) | LOCKFILE_FAIL_IMMEDIATELY);
}

void UserLock::Lock() {
    if (!TryLock() && m_handle >= 0) {
        LockWhole(m_handle, LOCKFILE_EXCLUSIVE_LOCK);
    }
}

void UserLock::Unlock() {
    if (m_handle >= 0) {
        UnlockWhole(m_handle);
    }
}

} // namespace pf::platform

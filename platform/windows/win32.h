#pragma once

// Helpers shared by the files of the Windows backend: text in the three encodings the backend meets
// (UTF-8 at the interface, the ANSI code page of the "A" calls, UTF-16 of the "W" calls), Windows error
// numbers as failure numbers, and owners of the handles it opens.

#include "widetext.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace pf::platform::win {

// UTF-8 to the ANSI code page without best-fit replacements. Empty when a character has no code there:
// an "A" call would receive a "?" or a look-alike letter and name another file.
std::optional<std::string> ToAnsi(std::string_view utf8);

// UTF-8 to the ANSI code page where a character without a code becomes "?", as the system converts it
// when it cannot do better (never a best-fit look-alike).
std::string ToAnsiLossy(std::string_view utf8);

std::string FromAnsi(std::string_view ansi);

// A UTF-16 name as the "A" calls show it: each character without a code in the ANSI code page is "?".
std::string AsAnsiShowsIt(std::wstring_view wide);

// The failure number a report shows for a Windows error number (2: 53, 3: 76, 5: 70, ...).
int ErrorNumberFromWindowsError(DWORD error);

// A RuntimeError for the calling thread's last Windows error.
[[noreturn]] void ThrowLastError();

// Closes a kernel handle when it goes.
class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~Handle() { Close(); }
    Handle(Handle&& other) noexcept : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            Close();
            m_handle = std::exchange(other.m_handle, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }

private:
    void Close() {
        if (IsValid()) {
            ::CloseHandle(m_handle);
        }
        m_handle = INVALID_HANDLE_VALUE;
    }

    HANDLE m_handle;
};

// Closes a registry key when it goes.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (m_key != nullptr) {
            ::RegCloseKey(m_key);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY Get() const { return m_key; }
    HKEY* Out() { return &m_key; }

private:
    HKEY m_key = nullptr;
};

} // namespace pf::platform::win

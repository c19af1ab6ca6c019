#pragma once

// Owners of the Win32 handles the Windows backend opens, and so do the Windows-only pieces above it that
// speak to Win32 themselves (the print monitor): each closes its handle when it goes.

#include <windows.h>

#include <utility>

namespace pf::platform::win {

// Owns one handle of a kind and closes it when it goes. Kind gives the kind's "no handle" value, Valid and
// Close.
template <typename Kind> class Owned {
public:
    using Value = decltype(Kind::None());

    Owned() : m_value(Kind::None()) {}
    explicit Owned(Value value) : m_value(value) {}
    ~Owned() { Close(); }
    Owned(Owned&& other) noexcept : m_value(std::exchange(other.m_value, Kind::None())) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            Close();
            m_value = std::exchange(other.m_value, Kind::None());
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Value Get() const { return m_value; }
    // Where a Win32 call that opens one stores it.
    Value* Out() { return &m_value; }
    bool IsValid() const { return Kind::Valid(m_value); }

private:
    void Close() {
        if (IsValid()) {
            Kind::Close(m_value);
        }
        m_value = Kind::None();
    }

    Value m_value;
};

struct KernelHandleKind {
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static void Close(HANDLE handle) { ::CloseHandle(handle); }
};

struct RegistryKeyKind {
    static HKEY None() { return nullptr; }
    static bool Valid(HKEY key) { return key != nullptr; }
    static void Close(HKEY key) { ::RegCloseKey(key); }
};

// A kernel handle: a file, a process, a token.
using Handle = Owned<KernelHandleKind>;
// An open registry key.
using RegistryKey = Owned<RegistryKeyKind>;

} // namespace pf::platform::win

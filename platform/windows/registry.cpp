// The per-user settings stores and the class registration in the registry. The application's settings
// are kept as UTF-16 strings, so every text comes back as it was stored. The PDF printer reads its values
// in the ANSI code page by their stored length, so they are written that way: no terminating NUL.

#include "platform.h"
#include "win32.h"

#include <cstring>

namespace pf::platform {

namespace {

constexpr const char* kApplicationKey = "Software\\VB and VBA Program Settings\\Tarnwicke\\Plumavert Fennic";
constexpr const char* kPdfWriterKey = "Software\\Tarnwicke PDF Writer";

// Query value, set value, create sub-key, enumerate sub-keys, notify and create link.
constexpr REGSAM kPdfWriterAccess = 0x3F;

constexpr std::size_t kClassValueSize = 260;

bool IsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

std::optional<std::string> ReadApplicationValue(const std::string& name) {
    win::RegistryKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, win::ToWide(kApplicationKey).c_str(), 0, KEY_QUERY_VALUE,
                        key.Out()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const std::wstring valueName = win::ToWide(name);
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        !IsText(type)) {
        return std::nullopt;
    }
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    DWORD read = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                           &read) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    data.resize(read / sizeof(wchar_t));
    if (!data.empty() && data.back() == L'\0') {
        data.pop_back();
    }
    return win::FromWide(data);
}

void WriteApplicationValue(const std::string& name, const std::string& value) {
    win::RegistryKey key;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, win::ToWide(kApplicationKey).c_str(), 0, nullptr,
                                       REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.Out(), nullptr);
    if (status == ERROR_SUCCESS) {
        const std::wstring data = win::ToWide(value);
        const auto size = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
        status = ::RegSetValueExW(key.Get(), win::ToWide(name).c_str(), 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(data.c_str()), size);
    }
    // The user's choices must survive a crash that follows at once.
    if (status == ERROR_SUCCESS) {
        status = ::RegFlushKey(key.Get());
    }
    if (status != ERROR_SUCCESS) {
        throw RuntimeError(win::ErrorNumberFromWindowsError(static_cast<DWORD>(status)));
    }
}

// Read by the stored length; a NUL that another writer stored at the end is not part of the text.
std::optional<std::string> ReadPdfWriterValue(const std::string& name) {
    win::RegistryKey key;
    const std::string valueName = win::ToAnsiLossy(name);
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kPdfWriterKey, 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        !IsText(type)) {
        return std::nullopt;
    }
    std::string data(size + 1, '\0');
    DWORD read = static_cast<DWORD>(data.size());
    if (::RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                           &read) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    data.resize(read);
    if (!data.empty() && data.back() == '\0') {
        data.pop_back();
    }
    return win::FromAnsi(data);
}

// A character without a code becomes "?": the PDF printer then meets a name no file can have and writes
// nothing, where a stale or look-alike path would overwrite another PDF. The stored length is the ANSI
// text's length in bytes, which keeps a double-byte code page's characters whole.
void WritePdfWriterValue(const std::string& name, const std::string& value) {
    win::RegistryKey key;
    LSTATUS status = ::RegCreateKeyExA(HKEY_CURRENT_USER, kPdfWriterKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       kPdfWriterAccess, nullptr, key.Out(), nullptr);
    if (status == ERROR_SUCCESS) {
        // The system stores a NUL that directly follows the given length as part of the string; a byte
        // after the text that is not NUL keeps the stored length to the text itself.
        const std::string data = win::ToAnsiLossy(value) + '.';
        status =
            ::RegSetValueExA(key.Get(), win::ToAnsiLossy(name).c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size() - 1));
    }
    if (status != ERROR_SUCCESS) {
        throw RuntimeError(win::ErrorNumberFromWindowsError(static_cast<DWORD>(status)));
    }
}

} // namespace

std::optional<std::string> ReadStoredValue(Store store, const std::string& key) {
    return store == Store::Application ? ReadApplicationValue(key) : ReadPdfWriterValue(key);
}

void WriteStoredValue(Store store, const std::string& key, const std::string& value) {
    if (store == Store::Application) {
        WriteApplicationValue(key, value);
    } else {
        WritePdfWriterValue(key, value);
    }
}

// One registry value is written in one step, so a change of one key needs no lock between programs: there
// is no load, change and save of a whole store as there is with a settings file.
void RemoveStoredValue(Store store, const std::string& key) {
    win::RegistryKey handle;
    const std::wstring path = win::ToWide(store == Store::Application ? kApplicationKey : kPdfWriterKey);
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, handle.Out()) != ERROR_SUCCESS) {
        return;
    }
    const LSTATUS status = ::RegDeleteValueW(handle.Get(), win::ToWide(key).c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        throw RuntimeError(win::ErrorNumberFromWindowsError(static_cast<DWORD>(status)));
    }
}

std::string ReadClassRegistration(const std::string& subKey) {
    const auto ansiKey = win::ToAnsi(subKey);
    if (!ansiKey) {
        return {};
    }
    win::RegistryKey key;
    if (::RegOpenKeyA(HKEY_CLASSES_ROOT, ansiKey->c_str(), key.Out()) != ERROR_SUCCESS) {
        return {};
    }
    // The default value is read into a fixed buffer of NULs and ends at its first NUL; a longer value
    // does not fit and reads as none.
    char buffer[kClassValueSize] = {};
    LONG size = static_cast<LONG>(sizeof buffer);
    if (::RegQueryValueA(key.Get(), "", buffer, &size) != ERROR_SUCCESS) {
        return {};
    }
    return win::FromAnsi(std::string_view(buffer, strnlen(buffer, sizeof buffer)));
}

} // namespace pf::platform

#include "uservalues.h"

#include "jobfile.h"
#include "pdfprinter.h"

#include <sddl.h>
#include <shlobj.h>
#include <winspool.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace pf::pdfwriter {

namespace {

constexpr const wchar_t* kValuesKey = L"Software\\Tarnwicke PDF Writer";
constexpr const wchar_t* kShellFoldersKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::wstring Wide(const char* ascii) {
    return {ascii, ascii + std::char_traits<char>::length(ascii)};
}

struct KeyCloser {
    void operator()(HKEY key) const { ::RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

struct HandleCloser {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using Token = std::unique_ptr<void, HandleCloser>;

// The impersonation token of this thread, when the spooler acts as a user here.
Token ImpersonationToken() {
    HANDLE token = nullptr;
    if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY | TOKEN_IMPERSONATE, TRUE, &token)) {
        return Token(token);
    }
    return nullptr;
}

Key CurrentUserHive() {
    HKEY hive = nullptr;
    const LONG status = ::RegOpenCurrentUser(KEY_READ, &hive);
    if (status != ERROR_SUCCESS) {
        throw JobError(L"cannot open the printing user's registry", static_cast<DWORD>(status));
    }
    return Key(hive);
}

std::wstring KnownDocumentsFolder(HANDLE token) {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Documents, 0, token, &path))) {
        folder = path;
    }
    ::CoTaskMemFree(path);
    return folder;
}

// The account name of a job's owner, as the spooler keeps it.
std::wstring JobOwner(HANDLE printer, DWORD jobId) {
    const std::vector<BYTE> info = ReadJobInfo(printer, jobId);
    const auto* job = reinterpret_cast<const JOB_INFO_1W*>(info.data());
    return job != nullptr && job->pUserName != nullptr ? job->pUserName : L"";
}

// The hive of a job's owner under HKEY_USERS: loaded while the user is logged on.
Key OwnerHive(HANDLE printer, DWORD jobId) {
    const std::wstring owner = JobOwner(printer, jobId);
    BYTE sid[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof sid;
    wchar_t domain[256] = {};
    DWORD domainSize = 256;
    SID_NAME_USE use{};
    PWSTR sidText = nullptr;
    if (owner.empty() ||
        !::LookupAccountNameW(nullptr, owner.c_str(), sid, &sidSize, domain, &domainSize, &use) ||
        !::ConvertSidToStringSidW(sid, &sidText)) {
        throw JobError(L"cannot tell which user printed the job", ::GetLastError());
    }
    HKEY hive = nullptr;
    const LONG status = ::RegOpenKeyExW(HKEY_USERS, sidText, 0, KEY_READ, &hive);
    ::LocalFree(sidText);
    if (status != ERROR_SUCCESS) {
        throw JobError(L"the registry of " + owner + L" is not loaded", static_cast<DWORD>(status));
    }
    return Key(hive);
}

} // namespace

std::vector<BYTE> ReadJobInfo(HANDLE printer, DWORD jobId) {
    if (printer == nullptr || jobId == 0) {
        return {};
    }
    DWORD needed = 0;
    ::GetJobW(printer, jobId, 1, nullptr, 0, &needed);
    std::vector<BYTE> buffer(std::max<DWORD>(needed, sizeof(JOB_INFO_1W)));
    if (needed == 0 || !::GetJobW(printer, jobId, 1, buffer.data(), needed, &needed)) {
        return {};
    }
    return buffer;
}

std::wstring ReadTextValue(HKEY key, const wchar_t* subKey, const wchar_t* name) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(key, subKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
        return {};
    }
    const Key owner(opened);
    std::wstring text;
    DWORD type = 0;
    DWORD size = 0;
    LONG status = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 3 && status == ERROR_MORE_DATA; ++attempt) {
        ::RegQueryValueExW(opened, name, nullptr, &type, nullptr, &size);
        text.assign(size / sizeof(wchar_t) + 1, L'\0'); // an odd byte count keeps its last byte
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        status =
            ::RegQueryValueExW(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
    }
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    text.resize(size / sizeof(wchar_t));
    // A value stored with its NUL ends there; one stored without it ends at its length.
    return text.substr(0, text.find(L'\0'));
}

UserValues ReadUserValues(HANDLE printer, DWORD jobId) {
    const Token token = ImpersonationToken();
    Key hive;
    std::wstring documents;
    if (token != nullptr || printer == nullptr || jobId == 0) {
        // Impersonating the job's user, or a spooler inside the printing process: the thread's user.
        hive = CurrentUserHive();
        documents = KnownDocumentsFolder(token.get());
    } else {
        hive = OwnerHive(printer, jobId);
        documents = ReadTextValue(hive.get(), kShellFoldersKey, L"Personal");
    }
    return {ReadTextValue(hive.get(), kValuesKey, Wide(kOutputFileValue).c_str()),
            ReadTextValue(hive.get(), kValuesKey, Wide(kBypassSaveAsValue).c_str()), documents};
}

} // namespace pf::pdfwriter

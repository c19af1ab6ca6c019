#include "uservalues.h"

#include "jobfile.h"
#include "pdfprinter.h"
#include "widetext.h"
#include "winhandles.h"

#include <sddl.h>
#include <shlobj.h>
#include <winspool.h>

#include <algorithm>
#include <vector>

namespace pf::pdfwriter {

namespace {

using platform::win::Handle;
using platform::win::RegistryKey;
using platform::win::ToWide;

constexpr const wchar_t* kValuesKey = L"Software\\Tarnwicke PDF Writer";
constexpr const wchar_t* kShellFoldersKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The impersonation token of this thread while the spooler acts as a user here; a null handle otherwise.
Handle ImpersonationToken() {
    HANDLE token = nullptr;
    if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY | TOKEN_IMPERSONATE, TRUE, &token)) {
        token = nullptr;
    }
    return Handle(token);
}

RegistryKey CurrentUserHive() {
    RegistryKey hive;
    const LONG status = ::RegOpenCurrentUser(KEY_READ, hive.Out());
    if (status != ERROR_SUCCESS) {
        throw JobError(L"cannot open the printing user's registry", static_cast<DWORD>(status));
    }
    return hive;
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
RegistryKey OwnerHive(HANDLE printer, DWORD jobId) {
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
    RegistryKey hive;
    const LONG status = ::RegOpenKeyExW(HKEY_USERS, sidText, 0, KEY_READ, hive.Out());
    ::LocalFree(sidText);
    if (status != ERROR_SUCCESS) {
        throw JobError(L"the registry of " + owner + L" is not loaded", static_cast<DWORD>(status));
    }
    return hive;
}

// A sub-key opened for reading its values; no key (a null one) when it is missing.
RegistryKey ValuesKey(HKEY key, const wchar_t* subKey) {
    RegistryKey opened;
    if (::RegOpenKeyExW(key, subKey, 0, KEY_QUERY_VALUE, opened.Out()) != ERROR_SUCCESS) {
        return {};
    }
    return opened;
}

// A registry text value by its stored length: a terminating NUL is not required and not kept. Empty when
// the key or the value is missing or the value is not text.
std::wstring ReadTextValue(HKEY key, const wchar_t* name) {
    if (key == nullptr) {
        return {};
    }
    std::wstring text;
    DWORD type = 0;
    DWORD size = 0;
    LONG status = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 3 && status == ERROR_MORE_DATA; ++attempt) {
        ::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
        text.assign(size / sizeof(wchar_t) + 1, L'\0'); // an odd byte count keeps its last byte
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        status = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
    }
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    text.resize(size / sizeof(wchar_t));
    // A value stored with its NUL ends there; one stored without it ends at its length.
    return text.substr(0, text.find(L'\0'));
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

UserValues ReadUserValues(HANDLE printer, DWORD jobId) {
    const Handle token = ImpersonationToken();
    RegistryKey hive;
    std::wstring documents;
    if (token.IsValid() || printer == nullptr || jobId == 0) {
        // Impersonating the job's user, or a spooler inside the printing process: the thread's user.
        hive = CurrentUserHive();
        documents = KnownDocumentsFolder(token.Get());
    } else {
        hive = OwnerHive(printer, jobId);
        documents = ReadTextValue(ValuesKey(hive.Get(), kShellFoldersKey).Get(), L"Personal");
    }
    const RegistryKey values = ValuesKey(hive.Get(), kValuesKey);
    return {ReadTextValue(values.Get(), ToWide(kOutputFileValue).c_str()),
            ReadTextValue(values.Get(), ToWide(kBypassSaveAsValue).c_str()), documents};
}

} // namespace pf::pdfwriter

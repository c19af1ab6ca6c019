#include "win32userinterface.h"

#include "inputbox.h"
#include "runtimeerror.h"
#include "widetext.h"
#include "wintext.h"

#include <cderr.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <array>
#include <vector>

namespace pf {

using platform::win::FromWide;
using platform::win::ToWide;

namespace {

// The browser's callback: selects the start folder when the dialog opens, and hands each newly
// selected folder's path to the dialog as its status text.
int CALLBACK BrowseFolderCallback(HWND dialog, UINT message, LPARAM parameter, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0) {
        ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    } else if (message == BFFM_SELCHANGED) {
        std::array<wchar_t, MAX_PATH> path{};
        // The message's parameter is the selected item. NOLINTNEXTLINE(performance-no-int-to-ptr)
        if (::SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(parameter), path.data())) {
            ::SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path.data()));
        }
    }
    return 0;
}

} // namespace

UINT MessageBoxStyle(MessageButtons buttons, MessageIcon icon) {
    return (buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK) |
           (icon == MessageIcon::Warning ? MB_ICONEXCLAMATION : 0U);
}

MessageAnswer Win32UserInterface::ShowMessage(const std::string& text, const std::string& title,
                                              MessageButtons buttons, MessageIcon icon) {
    const int answer = ::MessageBoxW(m_owner, win32::DisplayText(text).c_str(), ToWide(title).c_str(),
                                     MessageBoxStyle(buttons, icon));
    if (buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    return answer == IDYES ? MessageAnswer::Yes : MessageAnswer::No;
}

std::string Win32UserInterface::AskText(const std::string& prompt, const std::string& title,
                                        const std::string& defaultAnswer) {
    return win32::InputBox(m_owner, prompt, title, defaultAnswer);
}

std::string Win32UserInterface::BrowseForFolder(const std::string& prompt, const std::string& startFolder) {
    const std::wstring title = ToWide(prompt);
    const std::wstring start = ToWide(startFolder);
    BROWSEINFOW info{};
    info.hwndOwner = m_owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseFolderCallback;
    info.lParam = reinterpret_cast<LPARAM>(start.c_str());
    LPITEMIDLIST chosen = ::SHBrowseForFolderW(&info);
    if (chosen == nullptr) {
        return {};
    }
    std::array<wchar_t, MAX_PATH> path{};
    const bool found = ::SHGetPathFromIDListW(chosen, path.data()) != FALSE;
    ::CoTaskMemFree(chosen);
    return found ? FromWide(path.data()) : std::string();
}

std::wstring DialogFilter(const std::string& filter) {
    std::wstring wide = ToWide(filter);
    for (wchar_t& c : wide) {
        if (c == L'|') {
            c = L'\0';
        }
    }
    wide.append(2, L'\0');
    return wide;
}

std::vector<std::string> DialogFilePaths(const wchar_t* buffer, std::size_t size) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at < size && buffer[at] != L'\0') {
        const std::wstring_view part(buffer + at);
        parts.push_back(FromWide(part));
        at += part.size() + 1;
    }
    if (parts.size() < 2) {
        return parts;
    }
    // Several files: the folder, then the names chosen in it.
    std::vector<std::string> paths;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        paths.push_back(parts.front() + "\\" + parts[i]);
    }
    return paths;
}

std::vector<std::string> Win32UserInterface::ShowOpenDialog(const FileDialogOptions& options) {
    std::vector<wchar_t> buffer(options.maxFileNameLength + 2, L'\0');
    const std::wstring filter = DialogFilter(options.filter);
    const std::wstring title = ToWide(options.title);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(options.maxFileNameLength);
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = options.flags;
    if (::GetOpenFileNameW(&dialog)) {
        return DialogFilePaths(buffer.data(), buffer.size());
    }
    if (::CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) {
        throw RuntimeError(err::kBufferTooSmall);
    }
    return {}; // cancelled
}

void Win32UserInterface::OpenFolder(const std::string& path) {
    ::ShellExecuteW(m_owner, nullptr, ToWide(path).c_str(), nullptr, L"C:\\", SW_SHOW);
}

void Win32UserInterface::OpenAddress(const std::string& address) {
    const std::wstring argument = L"\"" + ToWide(address) + L"\"";
    ::ShellExecuteW(nullptr, nullptr, L"explorer", argument.c_str(), nullptr, SW_SHOWMINIMIZED);
}

} // namespace pf

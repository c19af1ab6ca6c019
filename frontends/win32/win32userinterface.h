#pragma once

#include "form.h"

#include <windows.h>

namespace pf {

// The dialogs and shell actions of the Windows window: MessageBox, a small input dialog, the shell's
// folder browser, the common open-file dialog and ShellExecute, each owned by the main window.
class Win32UserInterface : public UserInterface {
public:
    explicit Win32UserInterface(HWND owner = nullptr) : m_owner(owner) {}
    void SetOwner(HWND owner) { m_owner = owner; }

    MessageAnswer ShowMessage(const std::string& text, const std::string& title, MessageButtons buttons,
                              MessageIcon icon) override;
    std::string AskText(const std::string& prompt, const std::string& title,
                        const std::string& defaultAnswer) override;
    std::string BrowseForFolder(const std::string& prompt, const std::string& startFolder) override;
    std::vector<std::string> ShowOpenDialog(const FileDialogOptions& options) override;
    void OpenFolder(const std::string& path) override;
    void OpenAddress(const std::string& address) override;

private:
    HWND m_owner;
};

// The open-file dialog's filter "Description|pattern|..." as the dialog takes it: NUL-separated and
// ending in two NULs.
std::wstring DialogFilter(const std::string& filter);

// The chosen files' full paths from the dialog's multi-select buffer (one path, or the folder then the
// NUL-separated names, ending in two NULs). A name chosen in a root folder gets a doubled separator,
// which the adder tidies.
std::vector<std::string> DialogFilePaths(const wchar_t* buffer, std::size_t size);

// The message box style of a button set and icon.
UINT MessageBoxStyle(MessageButtons buttons, MessageIcon icon);

} // namespace pf

#include "programwindow.h"

#include "widetext.h"

#include <cwchar>

namespace pf::test {

namespace {

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (owner == search->processId && ::IsWindowVisible(window) &&
        std::wcscmp(name, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND FindProgramWindow(DWORD processId, const wchar_t* className) {
    WindowSearch search{processId, className, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

MessageBoxSeen AnswerMessageBox(DWORD processId, int button) {
    const HWND box = WaitFor("a message box", [&] { return FindProgramWindow(processId, L"#32770"); });
    if (box == nullptr) {
        return {};
    }
    wchar_t title[128] = {};
    wchar_t text[1024] = {};
    ::GetWindowTextW(box, title, 128);
    ::GetDlgItemTextW(box, 0xFFFF, text, 1024);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
    WaitFor("the message box to close", [&] { return !::IsWindow(box) || !::IsWindowVisible(box); });
    return {platform::win::FromWide(title), platform::win::FromWide(text)};
}

} // namespace pf::test

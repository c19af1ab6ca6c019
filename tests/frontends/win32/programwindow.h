#pragma once

// Driving a running program from outside under Wine, as a user would: finding its windows and answering
// its message boxes, with a deadline on every wait.

#include "widetext.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cwchar>
#include <string>
#include <thread>

namespace pf::test {

// Polls until the probe finds something; fails the test when the program never shows it.
template <typename Probe> auto WaitFor(const char* what, Probe probe) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        if (auto found = probe()) {
            return found;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "gave up waiting for " << what;
            return decltype(probe())();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

inline BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
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

// The program's own visible top-level window of one class.
inline HWND FindProgramWindow(DWORD processId, const wchar_t* className) {
    WindowSearch search{processId, className, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A message box of the program: its title, its text, and the button that answers it.
struct MessageBoxSeen {
    std::string title;
    std::string text;
};

inline MessageBoxSeen AnswerMessageBox(DWORD processId, int button) {
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

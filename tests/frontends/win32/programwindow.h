#pragma once

// Driving a running program from outside under Wine, as a user would: finding its windows and answering
// its message boxes, with a deadline on every wait.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace pf::test {

inline constexpr auto kPatience = std::chrono::seconds(60);

// Polls until the probe finds something; fails the test when the program never shows it.
template <typename Probe> auto WaitFor(const char* what, Probe probe) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
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

// The program's own visible top-level window of one class.
HWND FindProgramWindow(DWORD processId, const wchar_t* className);

// A message box of the program: its title, its text, and the button that answers it.
struct MessageBoxSeen {
    std::string title;
    std::string text;
};

MessageBoxSeen AnswerMessageBox(DWORD processId, int button);

} // namespace pf::test

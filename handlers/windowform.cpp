#include "windowform.h"

#include "platform.h"

#include <algorithm>

namespace pf {

WindowForm::WindowForm() : m_events(*this, [this] { EndAfterRun(); }) {}

void WindowForm::Load() {
    Form_Load(*this, *this);
}

void WindowForm::SetPointer(MousePointer pointer) {
    m_pointer = pointer;
    ShowPointer();
}

void WindowForm::Hover(HoverTarget target) {
    const MousePointer shown = HoverPointer(m_pointer, target);
    if (shown != m_pointer) {
        SetPointer(shown);
    }
}

bool WindowForm::UnloadRequested() {
    switch (m_events.Form_Unload()) {
    case UnloadAction::HideUntilRunEnds:
        HideWindow();
        return false;
    case UnloadAction::EndProgramNow:
        platform::EndProgramNow(0);
    case UnloadAction::CloseWindow:
        break;
    }
    return true;
}

void WindowForm::RunMessagesNow() {
    RunPendingMessages();
    m_lastEvents = Clock::now();
    m_eventsRan = true;
}

// A folder walk lets messages run several times per folder, tens of thousands of times a second, and
// each look at the window system costs more than a folder's own work: a call within the interval of
// the last run returns at once, so the window still answers within that time.
void WindowForm::DoEvents() {
    if (m_eventsRan && Clock::now() - m_lastEvents < std::chrono::milliseconds(kEventsIntervalMs)) {
        return;
    }
    RunMessagesNow();
}

void WindowForm::WaitWithEvents(int milliseconds) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
    for (;;) {
        RunMessagesNow();
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (IsClosing() || left.count() <= 0) {
            return;
        }
        WaitForMessages(static_cast<int>(left.count()));
    }
}

double WindowForm::SecondsSinceMidnight() const {
    return platform::SecondsSinceMidnight();
}

} // namespace pf

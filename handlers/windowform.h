#pragma once

#include "form.h"
#include "form1events.h"
#include "startup.h"

#include <chrono>

namespace pf {

// The main window as every front-end serves it: it owns the window's handlers, keeps the pointer,
// applies the hover rules, decides what closing does, and runs the message loop by the promises of
// the Form seam. A front-end adds its controls and the system's calls behind the hooks below.
class WindowForm : public Form, public WindowSetup {
public:
    WindowForm();

    // Runs the start-up steps; the caller shows the window afterwards.
    void Load();

    MousePointer Pointer() const final { return m_pointer; }
    void SetPointer(MousePointer pointer) final;
    void DoEvents() final;
    void WaitWithEvents(int milliseconds) final;
    bool IsClosing() const final { return m_events.IsClosing(); }
    double SecondsSinceMidnight() const final;

protected:
    Form1Events& Events() { return m_events; }

    // The mouse moved over the target: the hover rules (see HoverPointer).
    void Hover(HoverTarget target);
    // The user asked to close the window. A run under way goes on with the window hidden and ends the
    // program itself; a folder walk or a drop mid-way ends the program at once. True when the window
    // is to close now.
    [[nodiscard]] bool UnloadRequested();

    // Shows Pointer() on the screen.
    virtual void ShowPointer() = 0;
    // Runs every window message that is waiting, then returns.
    virtual void RunPendingMessages() = 0;
    // Sleeps until a window message arrives or the time has passed.
    virtual void WaitForMessages(int milliseconds) = 0;
    // Hides the window while the run it was closed during ends.
    virtual void HideWindow() = 0;
    // The run that the user closed the window during has ended, the printers restored: close the
    // window and end the program.
    virtual void EndAfterRun() = 0;

private:
    using Clock = std::chrono::steady_clock;
    void RunMessagesNow();

    Form1Events m_events;
    MousePointer m_pointer = MousePointer::Default;
    Clock::time_point m_lastEvents; // when messages last ran
    bool m_eventsRan = false;
};

} // namespace pf

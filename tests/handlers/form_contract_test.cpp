// The Form seam's promises on the in-memory form, with the window's handlers on top as a window has them.

#include "form1events.h"
#include "formcontract.h"
#include "memoryform.h"

#include <utility>

namespace pf::test {
namespace {

class MemoryWindow {
public:
    MemoryWindow() {
        m_form.onDoEvents = [this] {
            if (m_closeWhen && !m_closed && m_closeWhen()) {
                Close();
            }
        };
    }

    pf::Form& Form() { return m_form; }
    ScriptedUi& Ui() { return m_form.ui; }
    void Post(std::function<void()> message) { m_form.Post(std::move(message)); }
    void CloseWhen(std::function<bool()> condition) { m_closeWhen = std::move(condition); }
    void Hover(const std::string& name) {
        m_form.SetPointer(HoverPointer(m_form.Pointer(), name.starts_with("PushButton")
                                                             ? HoverTarget::Button
                                                             : HoverTarget::Background));
    }
    void PressKey(bool deleteKey) {
        if (deleteKey) {
            m_events.ListView1_DeleteKey();
        }
    }
    void StartAndRunUntilTheProgramEnds() { m_events.PushButton2_Click(); }
    bool Ended() const { return m_ended; }

private:
    void Close() {
        m_closed = true;
        m_ended = m_events.Form_Unload() != UnloadAction::HideUntilRunEnds;
        m_form.closing = m_events.IsClosing();
    }

    MemoryForm m_form;
    Form1Events m_events{m_form, [this] { m_ended = true; }};
    std::function<bool()> m_closeWhen;
    bool m_closed = false;
    bool m_ended = false;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, FormContract, MemoryWindow);

} // namespace
} // namespace pf::test

#include "form1events.h"

#include "adders.h"
#include "addfolder.h"
#include "filelist.h"
#include "outputoptions.h"
#include "samples.h"
#include "startup.h"

namespace pf {

namespace {

// Counts the handlers that are running, so closing the window knows whether one is mid-way.
class HandlerScope {
public:
    explicit HandlerScope(int& depth) : m_depth(depth) { ++m_depth; }
    ~HandlerScope() { --m_depth; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;
    HandlerScope(HandlerScope&&) = delete;
    HandlerScope& operator=(HandlerScope&&) = delete;

private:
    int& m_depth;
};

} // namespace

void Form1Events::PushButton1_Click() {
    const HandlerScope scope(m_handlerDepth);
    pf::PushButton1_Click(m_form);
}

void Form1Events::PushButton2_Click() {
    {
        const HandlerScope scope(m_handlerDepth);
        m_batchRun.PushButton2_Click(m_form);
    }
    if (m_closing && !m_batchRun.IsConverting()) {
        m_endAfterRun(); // the user closed the window during the run: end now that the printer is back
    }
}

void Form1Events::PushButton3_Click() {
    pf::PushButton3_Click(m_form);
}

void Form1Events::PushButton4_Click() {
    const HandlerScope scope(m_handlerDepth);
    pf::PushButton4_Click(m_form);
}

void Form1Events::PushButton5_Click() {
    const HandlerScope scope(m_handlerDepth);
    pf::PushButton5_Click(m_form);
}

void Form1Events::PushButton6_Click() {
    pf::PushButton6_Click(m_form);
}

void Form1Events::PushButton7_Click() {
    pf::PushButton7_Click(m_form);
}

void Form1Events::Text1_Change() {
    pf::Text1_Change(m_form);
}

void Form1Events::Text2_Change() {
    pf::Text2_Change(m_form);
}

void Form1Events::ListView1_MouseDown() {
    m_listEditor.ListView1_MouseDown();
}

void Form1Events::ListView1_ItemClick() {
    m_listEditor.ListView1_ItemClick(m_form);
}

void Form1Events::ListView1_MouseMove(int x, int y) {
    m_listEditor.ListView1_MouseMove(m_form, x, y);
}

void Form1Events::ListView1_MouseUp() {
    m_listEditor.ListView1_MouseUp(m_form);
}

void Form1Events::ListView1_DblClick() {
    m_listEditor.ListView1_DblClick(m_form);
}

void Form1Events::ListView1_DeleteKey() {
    m_listEditor.ListView1_DeleteKey(m_form);
}

void Form1Events::ListView1_OLEDragDrop(const std::vector<std::string>& paths) {
    const HandlerScope scope(m_handlerDepth);
    pf::ListView1_OLEDragDrop(m_form, paths);
}

// Closing ends the program. A run first puts the user's default printer back: it sees the flag, stops
// after the current file and ends the program itself. A folder walk or a drop mid-way ends at once.
UnloadAction Form1Events::Form_Unload() {
    if (m_batchRun.IsConverting()) {
        m_closing = true;
        return UnloadAction::HideUntilRunEnds;
    }
    return m_handlerDepth > 0 ? UnloadAction::EndProgramNow : UnloadAction::CloseWindow;
}

} // namespace pf

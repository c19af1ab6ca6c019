#pragma once

#include "batchrun.h"
#include "listedit.h"

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pf {

class Form;

// What the window does when the user closes it.
enum class UnloadAction {
    HideUntilRunEnds, // a run is under way: hide the window; the run ends the program when it stops
    EndProgramNow,    // a folder walk or a drop is mid-way: end at once, every setting is already stored
    CloseWindow,      // nothing is running: close the window, which ends the program
};

// The main window's event handlers, the same in every front-end. It holds what lives as long as the
// window: the list's drag state, the batch run, how many handlers are running, and whether the user
// has closed the window. Each front-end hands its widget events to these calls.
class Form1Events {
public:
    // endAfterRun ends the program once a run stops after the user closed the window during it.
    Form1Events(Form& form, std::function<void()> endAfterRun)
        : m_form(form), m_endAfterRun(std::move(endAfterRun)) {}

    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    void Text1_Change();
    void Text2_Change();

    // A mouse button went down over the list; then, when it hit an entry that became current, the click.
    void ListView1_MouseDown();
    void ListView1_ItemClick();
    // The Delete key went down in the list: the current entry goes.
    void ListView1_DeleteKey();
    // x and y are in the list's own coordinates.
    void ListView1_MouseMove(int x, int y);
    void ListView1_MouseUp();
    void ListView1_DblClick();
    void ListView1_OLEDragDrop(const std::vector<std::string>& paths);

    // The user closed the window; a run under way sees IsClosing() and stops after the current file.
    [[nodiscard]] UnloadAction Form_Unload();

    bool IsClosing() const { return m_closing; }

private:
    Form& m_form;
    std::function<void()> m_endAfterRun;
    ListEditor m_listEditor;
    BatchRun m_batchRun;
    int m_handlerDepth = 0; // the handlers running, so closing knows whether one is mid-way
    bool m_closing = false;
};

// The click handler of PushButton1 to PushButton7, by the button's number less one.
inline constexpr std::array<void (Form1Events::*)(), 7> kPushButtonClicks = {
    &Form1Events::PushButton1_Click, &Form1Events::PushButton2_Click, &Form1Events::PushButton3_Click,
    &Form1Events::PushButton4_Click, &Form1Events::PushButton5_Click, &Form1Events::PushButton6_Click,
    &Form1Events::PushButton7_Click};

} // namespace pf

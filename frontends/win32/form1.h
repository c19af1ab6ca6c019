#pragma once

#include "formlayout.h"
#include "win32userinterface.h"
#include "windowform.h"

#include <windows.h>

#include <ole2.h>

#include <memory>
#include <string>
#include <vector>

namespace pf::win32 {
class FileDropTarget;
}

// The window class of Form1 and its controls' ids, by which other programs find the window and its
// controls. PushButtonN has the id kButtonId + N.
inline constexpr const wchar_t* kForm1ClassName = L"PlumavertFennicForm1";
namespace form1id {
inline constexpr int kButtonId = 1000;
inline constexpr int kText1Id = 1011;
inline constexpr int kText2Id = 1012;
inline constexpr int kListView1Id = 1020;
inline constexpr int kProgressBar1Id = 1030;
inline constexpr int kFrame1Id = 1041;
inline constexpr int kFrame2Id = 1042;
} // namespace form1id

// The program's one window on Windows, built from the common controls. It lays out the controls from
// the shared twips table, turns window messages into the handlers of the window-free operations, and
// serves those operations as their Form.
class Form1 : public pf::WindowForm {
public:
    // The window's controls, for tests that send them messages.
    struct Controls {
        HWND listView1 = nullptr;
        HWND pushButtons[7] = {};
        HWND frame1 = nullptr;
        HWND frame2 = nullptr;
        HWND text1 = nullptr;
        HWND text2 = nullptr;
        HWND progressBar1 = nullptr;
        HWND toolTip = nullptr;
    };

    // ui replaces the real dialogs (tests script them); nullptr uses the real ones.
    explicit Form1(pf::UserInterface* ui = nullptr);
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Shows the window centred on the screen.
    void Show();
    // Runs the message loop until the window is gone; returns the exit code.
    static int RunMessageLoop();

    HWND Handle() const { return m_hwnd; }
    const Controls& GetControls() const { return m_controls; }
    IDropTarget* DropTarget() const;
    // The cursors the window shows: the custom pointer's picture and the list's drag picture.
    HCURSOR CustomCursor() const { return m_customCursor; }
    HCURSOR ListDragCursor() const { return m_listDragCursor; }
    // The window's background colour (white, or the button face when skinned).
    COLORREF BackgroundColour() const { return m_backgroundColour; }

    // ---- Form
    long RowCount() const override;
    std::string RowText(long index) const override;
    void AppendRow(const std::string& text) override;
    void SetRowText(long index, const std::string& text) override;
    void RemoveRow(long index) override;
    void ClearRows() override;
    void SelectRow(long index) override;
    long CurrentRow() const override;
    long RowAt(int x, int y) const override;
    void ScrollRowIntoView(long index) override;
    pf::RowId RowIdAt(long index) const override;
    long IndexOfRow(pf::RowId id) const override;
    void SetListDragPointer(bool dragging) override;
    int CursorScreenY() const override;
    std::string Text1() const override;
    void SetText1(const std::string& text) override;
    std::string Text2() const override;
    void SetText2(const std::string& text) override;
    void SetProgress(double value) override;
    void SetProgressCaption(const std::string& caption) override;
    pf::UserInterface& Ui() override { return *m_ui; }

    // ---- WindowSetup
    void ApplySkinFile(const std::string& skinFile) override;
    void LoadCustomPointer(const std::string& cursorFile) override;
    void SetCaption(const std::string& caption) override;
    void SetProgramIcon() override;
    void AddListColumn(const std::string& header) override;
    void SetListColumnWidth(int twips) override;

protected:
    // ---- WindowForm
    void ShowPointer() override;
    void RunPendingMessages() override;
    void WaitForMessages(int milliseconds) override;
    void HideWindow() override;
    void EndAfterRun() override;

private:
    // The list's mouse handlers that also select the entry under the pointer and keep the mouse.
    void ListView1_MouseDown(int x, int y);
    void ListView1_MouseUp();
    void HoverOver(HWND control);
    void Form_Unload();

    void CreateControls();
    void CreateFonts();
    void SetTabOrder();
    HWND CreateControl(const wchar_t* className, const pf::layout::ControlPlace& place, DWORD style, int id);
    HCURSOR ShownCursor(HWND over) const;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCursor(HWND over, UINT hitTest, UINT mouseMessage);
    bool OnListMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void PaintProgressCaption(HDC dc) const;
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);
    static LRESULT CALLBACK ProgressProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);

    std::unique_ptr<pf::Win32UserInterface> m_winUi;
    pf::UserInterface* m_ui;
    std::unique_ptr<pf::win32::FileDropTarget> m_dropTarget;
    // The list's own pointer: none of its own until the first entry click, then the arrow or the drag
    // picture.
    enum class ListPointer { Inherited, Arrow, Drag };
    ListPointer m_listPointer = ListPointer::Inherited;
    HCURSOR m_customCursor = nullptr;
    HCURSOR m_listDragCursor = nullptr;
    pf::RowId m_nextRowId = 1;
    bool m_dropRegistered = false;
    bool m_endsProgram = false;

    HWND m_hwnd = nullptr;
    HWND m_focused = nullptr; // the control that had the focus when the window was last deactivated
    Controls m_controls;
    HFONT m_windowFont = nullptr;
    HFONT m_buttonFont = nullptr;
    COLORREF m_backgroundColour = RGB(255, 255, 255);
    HBRUSH m_background = nullptr;
};

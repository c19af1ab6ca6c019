// The Win32 window under Wine: real messages to the real controls, with rows, texts, pointers and
// progress read back from the controls; the dialogs scripted through the seam.

#include "form1.h"
#include "formcontract.h"
#include "inputbox.h"
#include "platform.h"
#include "runtimeerror.h"
#include "scriptedui.h"
#include "settings.h"
#include "temphome.h"
#include "widetext.h"
#include "win32userinterface.h"
#include "wintext.h"

#include <commctrl.h>
#include <dlgs.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>

namespace pf {
namespace {

std::string Text(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return platform::win::FromWide(text);
}

// A control's place in its window's client area.
RECT Place(HWND control) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

void Hover(HWND control) {
    ::SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

// A data object offering one clipboard format: the shell's file list, or plain text.
class DataObject : public IDataObject {
public:
    DataObject(CLIPFORMAT format, HGLOBAL data) : m_format(format), m_data(data) {}
    ~DataObject() { ::GlobalFree(m_data); }
    DataObject(const DataObject&) = delete;
    DataObject& operator=(const DataObject&) = delete;

    static DataObject FileList(const std::vector<std::wstring>& paths) {
        std::wstring list;
        for (const auto& path : paths) {
            list += path + L'\0';
        }
        list += L'\0';
        const std::size_t size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
        HGLOBAL data = ::GlobalAlloc(GHND, size);
        auto* drop = static_cast<DROPFILES*>(::GlobalLock(data));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        std::memcpy(reinterpret_cast<BYTE*>(drop) + sizeof(DROPFILES), list.data(),
                    list.size() * sizeof(wchar_t));
        ::GlobalUnlock(data);
        return {CF_HDROP, data};
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = ::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IDataObject) ? this : nullptr;
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) {
            return DV_E_FORMATETC;
        }
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = static_cast<HGLOBAL>(::OleDuplicateData(m_data, m_format, 0));
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return format->cfFormat == m_format && (format->tymed & TYMED_HGLOBAL) != 0 ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    CLIPFORMAT m_format;
    HGLOBAL m_data;
};

// A drag source that drops at once, wherever the pointer stands.
class DropAtOnce : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = ::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IDropSource) ? this : nullptr;
        return *object != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL /*escape*/, DWORD /*keys*/) override {
        return DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD /*effect*/) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

// The real window in a temporary home, its program folder the built one (cursor, drag picture, skin),
// the dialogs scripted.
class Form1Win32Test : public ::testing::Test {
protected:
    void SetUp() override {
        platform::OverrideProgramFolder(test::BinFolder());
        platform::AddPrinter({"Tarnwicke PDF Writer", "CPW2:"});
    }
    void TearDown() override { platform::OverrideProgramFolder(""); }

    // The client point in the middle of a list row (1-based).
    POINT RowPoint(const Form1& form, long row) const {
        RECT rect{};
        rect.left = LVIR_BOUNDS;
        ::SendMessageW(form.GetControls().listView1, LVM_GETITEMRECT, static_cast<WPARAM>(row - 1),
                       reinterpret_cast<LPARAM>(&rect));
        return {20, (rect.top + rect.bottom) / 2};
    }

    static std::vector<std::string> Rows(const Form1& form) {
        std::vector<std::string> rows;
        for (long i = 1; i <= form.RowCount(); ++i) {
            rows.push_back(form.RowText(i));
        }
        return rows;
    }

    test::TempHome home;
    test::ScriptedUi ui;
};

TEST_F(Form1Win32Test, ControlsStandWhereTheTwipsTablePutsThemWithTheirCaptionsFontsAndTabOrder) {
    Form1 form(&ui);
    form.Load();
    const auto& c = form.GetControls();
    RECT client{};
    ::GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, 536);
    EXPECT_EQ(client.bottom, 440);
    const LONG style = ::GetWindowLongW(form.Handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_EQ(Text(form.Handle()), "Plumavert Fennic");
    struct Control {
        HWND window;
        RECT place;
        const char* caption;
    };
    const Control controls[] = {
        {c.listView1, {8, 8, 528, 177}, ""},
        {c.pushButtons[0], {8, 183, 264, 210}, "Add Text Files"},
        {c.pushButtons[3], {272, 183, 528, 210}, "Add All Text Files In Folder"},
        {c.pushButtons[2], {8, 217, 264, 244}, "Clear List"},
        {c.pushButtons[4], {272, 217, 528, 244}, "Load Sample/Example Files"},
        {c.frame2, {8, 247, 528, 302}, "Save PDF Files To This Folder"},
        {c.text1, {23, 267, 459, 290}, nullptr},
        {c.pushButtons[6], {464, 267, 512, 290}, "..."},
        {c.frame1, {8, 307, 528, 362}, "Pause For These Seconds Between Conversions"},
        {c.text2, {23, 327, 459, 350}, "7"},
        {c.pushButtons[5], {464, 327, 512, 350}, "?"},
        {c.pushButtons[1], {8, 370, 528, 397}, "Start Converting To PDF"},
        {c.progressBar1, {8, 405, 528, 432}, "Progress Bar"},
    };
    for (const auto& control : controls) {
        const RECT place = Place(control.window);
        EXPECT_TRUE(::EqualRect(&place, &control.place))
            << control.caption << ": " << place.left << "," << place.top << "," << place.right << ","
            << place.bottom;
        if (control.caption != nullptr) {
            EXPECT_EQ(Text(control.window), control.caption);
        }
    }
    // Fonts: Arial bold, character set 204; the buttons larger than the window font.
    LOGFONTW windowFont{};
    LOGFONTW buttonFont{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(c.frame1, WM_GETFONT, 0, 0)), sizeof windowFont,
                 &windowFont);
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(c.pushButtons[0], WM_GETFONT, 0, 0)),
                 sizeof buttonFont, &buttonFont);
    for (const LOGFONTW& font : {windowFont, buttonFont}) {
        EXPECT_STREQ(font.lfFaceName, L"Arial");
        EXPECT_EQ(font.lfWeight, FW_BOLD);
        EXPECT_EQ(font.lfCharSet, 204);
    }
    EXPECT_EQ(windowFont.lfHeight, -12); // 9 points at 96 dots per inch
    EXPECT_EQ(buttonFont.lfHeight, -15); // 11.25 points
    // The column and its width, the list's tip.
    wchar_t header[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = header;
    column.cchTextMax = 64;
    ASSERT_TRUE(::SendMessageW(c.listView1, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(header, L"Text File(s)");
    EXPECT_EQ(column.cx, 466); // 7000 twips
    EXPECT_EQ(::GetWindowLongW(c.listView1, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    wchar_t tip[256] = {};
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = form.Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(c.listView1);
    tool.lpszText = tip;
    ::SendMessageW(c.toolTip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(tip,
                 L"Drag and drop files here. Double-click item to remove it. Move | line to right and out of "
                 L"window to reveal full names.");
    // Tab order by the tab indexes.
    const HWND order[] = {c.listView1,      c.text1,          c.pushButtons[6], c.pushButtons[0],
                          c.pushButtons[3], c.pushButtons[1], c.pushButtons[2], c.pushButtons[4],
                          c.text2,          c.pushButtons[5]};
    for (std::size_t i = 0; i < std::size(order); ++i) {
        EXPECT_EQ(::GetNextDlgTabItem(form.Handle(), order[i], FALSE), order[(i + 1) % std::size(order)])
            << i;
    }
}

TEST_F(Form1Win32Test, ButtonsAndTypedTextReachTheirHandlers) {
    Form1 form(&ui);
    form.Load();
    const auto& c = form.GetControls();
    ::SendMessageW(c.pushButtons[5], BM_CLICK, 0, 0);
    ASSERT_EQ(ui.messages.size(), 1U);
    EXPECT_EQ(ui.messages[0].text,
              "Please increase this number if you are having problems with the conversion.");
    EXPECT_EQ(ui.messages[0].title, "Plumavert");
    ::SendMessageW(c.text2, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (const wchar_t typed : {L'1', L'2'}) {
        ::SendMessageW(c.text2, WM_CHAR, typed, 1);
    }
    EXPECT_EQ(Text(c.text2), "12");
    EXPECT_EQ(ReadSetting("Text2", ""), "12");
    // A click posted while a long operation lets messages run reaches its handler then.
    ::PostMessageW(c.pushButtons[5], BM_CLICK, 0, 0);
    form.WaitWithEvents(20);
    EXPECT_EQ(ui.messages.size(), 2U);
    ::SendMessageW(c.pushButtons[2], BM_CLICK, 0, 0); // Clear List
    EXPECT_EQ(form.RowCount(), 0);
}

TEST_F(Form1Win32Test, DoubleClickRemovesTheCurrentRowUnlessTheWindowIsBusy) {
    Form1 form(&ui);
    const HWND list = form.GetControls().listView1;
    for (const char* row : {"A", "B", "C", "D"}) {
        form.AppendRow(row);
    }
    const POINT row3 = RowPoint(form, 3);
    form.SelectRow(1);
    ::SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, At(row3.x, row3.y)); // the current row goes
    EXPECT_EQ(Rows(form), (std::vector<std::string>{"B", "C", "D"}));
    form.SetPointer(MousePointer::Hourglass);
    form.SelectRow(1);
    ::SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, At(row3.x, row3.y));
    EXPECT_EQ(Rows(form), (std::vector<std::string>{"B", "C", "D"}));
}

TEST_F(Form1Win32Test, DraggingARowMovesItWithThePointerAndShowsTheDragPicture) {
    Form1 form(&ui);
    const HWND list = form.GetControls().listView1;
    for (const char* row : {"A", "B", "C", "D"}) {
        form.AppendRow(row);
    }
    const POINT b = RowPoint(form, 2);
    ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, At(b.x, b.y));
    EXPECT_EQ(form.CurrentRow(), 2);
    EXPECT_NE(form.ListDragCursor(), nullptr) << "drag.ico from the program folder";
    ::SendMessageW(list, WM_SETCURSOR, reinterpret_cast<WPARAM>(list), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), form.ListDragCursor());
    for (const long over : {3, 4}) {
        const POINT at = RowPoint(form, over);
        ::SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, At(at.x, at.y));
    }
    ::SendMessageW(list, WM_LBUTTONUP, 0, At(b.x, b.y));
    EXPECT_EQ(Rows(form), (std::vector<std::string>{"A", "C", "D", "B"}));
    EXPECT_EQ(form.CurrentRow(), 4);
    ::SendMessageW(list, WM_SETCURSOR, reinterpret_cast<WPARAM>(list), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW)) << "the arrow after the release";
    const POINT a = RowPoint(form, 1);
    ::SendMessageW(list, WM_MOUSEMOVE, 0, At(a.x, a.y)); // no button held: nothing moves
    EXPECT_EQ(Rows(form), (std::vector<std::string>{"A", "C", "D", "B"}));
}

TEST_F(Form1Win32Test, ADragNearTheTopOfTheScreenScrollsTheRealListByOneRow) {
    Form1 form(&ui);
    form.Show();
    const HWND list = form.GetControls().listView1;
    for (int i = 1; i <= 40; ++i) {
        form.AppendRow("row " + std::to_string(i));
    }
    form.ScrollRowIntoView(40);
    const auto top = ::SendMessageW(list, LVM_GETTOPINDEX, 0, 0);
    ASSERT_GT(top, 1);
    ::SetCursorPos(100, 300); // above screen y 305
    EXPECT_EQ(form.CursorScreenY(), 300);
    const POINT first = RowPoint(form, top + 2);
    const POINT second = RowPoint(form, top + 1);
    ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, At(first.x, first.y));
    ::SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, At(second.x, second.y)); // swap onto the top row shown
    ::SendMessageW(list, WM_LBUTTONUP, 0, At(second.x, second.y));
    EXPECT_EQ(::SendMessageW(list, LVM_GETTOPINDEX, 0, 0), top - 1) << "the row above came into view";
    EXPECT_EQ(form.RowText(top + 1), "row " + std::to_string(top + 2));
}

TEST_F(Form1Win32Test, TheHandShowsOverButtonsTheArrowOverFramesAndTheHourglassStays) {
    Form1 form(&ui);
    form.Load();
    const auto& c = form.GetControls();
    ASSERT_NE(form.CustomCursor(), nullptr) << "HAND-M.CUR from the program folder";
    Hover(c.pushButtons[3]);
    EXPECT_EQ(form.Pointer(), MousePointer::Custom);
    EXPECT_EQ(::GetCursor(), form.CustomCursor());
    Hover(c.frame1);
    EXPECT_EQ(form.Pointer(), MousePointer::Default);
    Hover(c.pushButtons[6]);
    Hover(form.Handle());
    EXPECT_EQ(form.Pointer(), MousePointer::Default);
    form.SetPointer(MousePointer::Hourglass);
    Hover(c.pushButtons[0]);
    EXPECT_EQ(form.Pointer(), MousePointer::Hourglass);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_WAIT));
}

TEST_F(Form1Win32Test, TheSkinFileTurnsTheWindowAndFramesToTheButtonFace) {
    Form1 plain(&ui);
    platform::OverrideProgramFolder(home.MakeFolder("bare"));
    plain.Load();
    EXPECT_EQ(plain.BackgroundColour(), RGB(255, 255, 255));
    platform::OverrideProgramFolder(test::BinFolder());
    Form1 skinned(&ui);
    skinned.Load();
    EXPECT_EQ(skinned.BackgroundColour(), ::GetSysColor(COLOR_BTNFACE));
    const HDC dc = ::GetDC(skinned.GetControls().frame1);
    ::SendMessageW(skinned.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(skinned.GetControls().frame1));
    EXPECT_EQ(::GetBkColor(dc), ::GetSysColor(COLOR_BTNFACE));
    ::ReleaseDC(skinned.GetControls().frame1, dc);
}

TEST_F(Form1Win32Test, ProgressValueAndCaptionAreShownOnTheBar) {
    Form1 form(&ui);
    form.SetProgress(49.6);
    form.SetProgressCaption("Processing: a.txt");
    EXPECT_EQ(::SendMessageW(form.GetControls().progressBar1, PBM_GETPOS, 0, 0), 50);
    EXPECT_EQ(Text(form.GetControls().progressBar1), "Processing: a.txt");
    ::UpdateWindow(form.GetControls().progressBar1); // paints the caption over the bar without failing
}

TEST_F(Form1Win32Test, FilesDraggedOntoTheListByOleDragAndDropAreAddedAsACopy) {
    Form1 form(&ui);
    form.Show();
    RECT list{};
    ::GetWindowRect(form.GetControls().listView1, &list);
    ::SetCursorPos((list.left + list.right) / 2, (list.top + list.bottom) / 2);
    const std::string a = home.WriteFile("in/a.txt", "a");
    DataObject files = DataObject::FileList({std::wstring(a.begin(), a.end())});
    DropAtOnce source;
    DWORD effect = DROPEFFECT_NONE;
    EXPECT_EQ(::DoDragDrop(&files, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect), DRAGDROP_S_DROP);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(Rows(form), std::vector<std::string>{a});
}

TEST_F(Form1Win32Test, TheRegisteredDropTargetTakesFileListsAndRefusesOtherData) {
    Form1 form(&ui);
    const HWND list = form.GetControls().listView1;
    EXPECT_EQ(::RegisterDragDrop(list, form.DropTarget()), DRAGDROP_E_ALREADYREGISTERED);
    const std::string a = home.WriteFile("in/a.txt", "a");
    home.WriteFile("in/tree/b.txt", "b");
    home.WriteFile("in/tree/~lock.txt", "skipped");
    const std::wstring wideA(a.begin(), a.end());
    const std::string tree = home.Root() + "\\in\\tree";
    const std::wstring wideTree(tree.begin(), tree.end());
    DataObject files = DataObject::FileList({wideA, wideTree});
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    IDropTarget* target = form.DropTarget();
    target->DragEnter(&files, MK_LBUTTON, {10, 10}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    target->Drop(&files, 0, {10, 10}, &effect);
    EXPECT_EQ(Rows(form), (std::vector<std::string>{a, tree + "\\b.txt"}));

    HGLOBAL text = ::GlobalAlloc(GHND, 8);
    DataObject plain(CF_UNICODETEXT, text);
    effect = DROPEFFECT_COPY;
    target->DragEnter(&plain, MK_LBUTTON, {10, 10}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    target->DragOver(MK_LBUTTON, {12, 12}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    target->Drop(&plain, 0, {10, 10}, &effect);
    EXPECT_EQ(form.RowCount(), 2);
}

// What the scripted user saw in the input box, and how it answers: the text to type, then OK or Cancel.
struct InputBoxScript {
    std::wstring typed;
    int button = IDOK;
    std::string prompt;
    std::string text;
    bool seen = false;
};
InputBoxScript g_inputBox;

void CALLBACK AnswerInputBox(HWND /*window*/, UINT /*message*/, UINT_PTR timer, DWORD /*time*/) {
    const HWND dialog = ::FindWindowW(L"#32770", L"Plumavert");
    if (dialog == nullptr) {
        return;
    }
    ::KillTimer(nullptr, timer);
    g_inputBox.seen = true;
    g_inputBox.prompt = Text(::GetDlgItem(dialog, win32::kInputPromptId));
    g_inputBox.text = Text(::GetDlgItem(dialog, win32::kInputTextId));
    ::SetDlgItemTextW(dialog, win32::kInputTextId, g_inputBox.typed.c_str());
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(g_inputBox.button, BN_CLICKED), 0);
}

TEST(Win32UserInterface, TheInputBoxShowsThePromptAndAnswerAndGivesBackTheTextOnOkOnly) {
    for (const int button : {IDOK, IDCANCEL}) {
        g_inputBox = {L"csv", button, {}, {}, false};
        ::SetTimer(nullptr, 0, 20, AnswerInputBox);
        const std::string answer = win32::InputBox(
            nullptr, "Enter file extension to load:\r\r(* for all files)", "Plumavert", "txt");
        EXPECT_TRUE(g_inputBox.seen);
        EXPECT_EQ(g_inputBox.prompt, "Enter file extension to load:\r\n\r\n(* for all files)");
        EXPECT_EQ(g_inputBox.text, "txt");
        EXPECT_EQ(answer, button == IDOK ? "csv" : "");
    }
}

// The open-file dialog and the folder browser, answered by the timer once they show: a file name typed
// into the open-file dialog, then OK; OK at once in the folder browser.
std::wstring g_typedFileName;
bool g_dialogSeen = false;

void CALLBACK AnswerDialog(HWND /*window*/, UINT /*message*/, UINT_PTR timer, DWORD /*time*/) {
    HWND dialog = nullptr;
    for (const wchar_t* title : {L"Add File(s)", L"Browse for Folder"}) {
        dialog = dialog != nullptr ? dialog : ::FindWindowW(L"#32770", title);
    }
    if (dialog == nullptr) {
        return;
    }
    ::KillTimer(nullptr, timer);
    g_dialogSeen = true;
    if (!g_typedFileName.empty()) {
        ::SetDlgItemTextW(dialog, cmb13, g_typedFileName.c_str());
    }
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TEST(Win32UserInterface, TheOpenFileDialogGivesThePathAndReportsABufferTooSmall) {
    test::TempHome home;
    const std::string file = home.WriteFile("in/a-rather-long-file-name.txt", "a");
    Win32UserInterface ui;
    FileDialogOptions options{"Add File(s)", "All Files (*.*)|*.*|Text Files (*.txt)|*.txt", 0x280201, 30000};
    g_typedFileName = std::wstring(file.begin(), file.end());
    g_dialogSeen = false;
    ::SetTimer(nullptr, 0, 50, AnswerDialog);
    EXPECT_EQ(ui.ShowOpenDialog(options), std::vector<std::string>{file});
    EXPECT_TRUE(g_dialogSeen);
    options.maxFileNameLength = 12;
    ::SetTimer(nullptr, 0, 50, AnswerDialog);
    try {
        ui.ShowOpenDialog(options);
        ADD_FAILURE() << "a selection longer than the buffer must fail";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Number(), 20476);
    }
}

TEST(Win32UserInterface, TheFolderBrowserStartsAtTheGivenFolder) {
    // A folder of the system, not the browser's own first choice; Wine's browser cannot open its tree at
    // folders below the user's profile.
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::string start = platform::win::FromWide(system);
    Win32UserInterface ui;
    g_typedFileName.clear();
    g_dialogSeen = false;
    ::SetTimer(nullptr, 0, 50, AnswerDialog);
    EXPECT_EQ(ui.BrowseForFolder("Please select folder:", start), start); // OK at once takes the start
    EXPECT_TRUE(g_dialogSeen);
}

TEST(Win32UserInterface, DialogTextsAreTranslatedForTheWFunctions) {
    EXPECT_EQ(DialogFilter("All Files (*.*)|*.*|Text Files (*.txt)|*.txt"),
              std::wstring(L"All Files (*.*)\0*.*\0Text Files (*.txt)\0*.txt\0\0", 46));
    const wchar_t one[] = L"C:\\in\\a.txt\0\0";
    EXPECT_EQ(DialogFilePaths(one, std::size(one)), std::vector<std::string>{"C:\\in\\a.txt"});
    const wchar_t several[] = L"C:\\\0a.txt\0\u00e9t\u00e9.txt\0\0";
    EXPECT_EQ(DialogFilePaths(several, std::size(several)),
              (std::vector<std::string>{"C:\\\\a.txt", "C:\\\\\xc3\xa9t\xc3\xa9.txt"}));
    EXPECT_EQ(MessageBoxStyle(MessageButtons::Ok, MessageIcon::Warning),
              static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(MessageBoxStyle(MessageButtons::YesNo, MessageIcon::None), static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(win32::DisplayText("a\r\nb\r\rc\r"), L"a\r\nb\r\n\r\nc\r\n");
}

// The real window as a window of the Form seam's contract. The test's messages and its close watch go
// to the window itself, so they run wherever the window lets messages run.
class Win32Window {
public:
    Win32Window() : m_form(&m_ui) {
        ::SetWindowSubclass(m_form.Handle(), &Proc, 0, reinterpret_cast<DWORD_PTR>(this));
    }

    pf::Form& Form() { return m_form; }
    void Post(std::function<void()> message) {
        m_posted.push_back(std::move(message));
        ::PostMessageW(m_form.Handle(), WM_APP, 0, 0);
    }
    void CloseWhen(std::function<bool()> condition) {
        m_closeWhen = std::move(condition);
        ::SetTimer(m_form.Handle(), kWatch, 1, nullptr);
    }
    void Hover(const std::string& name) {
        const auto& c = m_form.GetControls();
        pf::Hover(name == "Frame1"   ? c.frame1
                  : name == "Frame2" ? c.frame2
                  : name == "Form1"  ? m_form.Handle()
                                     : c.pushButtons[std::stoi(name.substr(10)) - 1]);
    }
    void PressKey(bool deleteKey) {
        ::SendMessageW(m_form.GetControls().listView1, WM_KEYDOWN, deleteKey ? VK_DELETE : 'X', 0);
    }
    bool StartAndRunUntilTheProgramEnds() {
        ::PostMessageW(m_form.GetControls().pushButtons[1], BM_CLICK, 0, 0);
        Form1::RunMessageLoop(); // ends only when the program would
        return !::IsWindow(m_form.Handle());
    }

private:
    static constexpr UINT_PTR kWatch = 0x7E57;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/,
                                 DWORD_PTR data) {
        auto* self = reinterpret_cast<Win32Window*>(data);
        if (message == WM_APP) {
            const std::function<void()> next = std::move(self->m_posted.front());
            self->m_posted.pop_front();
            next();
            return 0;
        }
        if (message == WM_TIMER && wParam == kWatch && self->m_closeWhen()) {
            ::KillTimer(hwnd, kWatch);
            ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
            return 0;
        }
        return ::DefSubclassProc(hwnd, message, wParam, lParam);
    }

    test::ScriptedUi m_ui;
    Form1 m_form;
    std::deque<std::function<void()>> m_posted;
    std::function<bool()> m_closeWhen;
};

} // namespace

namespace test {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32FormContract, FormContract, Win32Window);
} // namespace test

} // namespace pf

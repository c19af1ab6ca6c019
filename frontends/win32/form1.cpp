#include "form1.h"

#include "droptarget.h"
#include "platform.h"
#include "runtimeerror.h"
#include "widetext.h"

#include <commctrl.h>
#include <ole2.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

using namespace pf::layout;
using pf::platform::win::FromWide;
using pf::platform::win::ToWide;

namespace {

using namespace form1id;
constexpr int kProgramIconId = 1;

// The window that the message loop hands keyboard navigation (tab order, the space bar on buttons) to.
HWND g_navigationWindow = nullptr;

// Window messages carry handles and pointers in their integer parameters.
template <typename Pointer> Pointer FromParameter(std::uintptr_t value) {
    return reinterpret_cast<Pointer>(value); // NOLINT(performance-no-int-to-ptr)
}

int Pixels(int twips) {
    return twips / kTwipsPerPixel;
}

HFONT ArialBold(double points) {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    const int height = -static_cast<int>(std::lround(points * dpi / 72.0));
    return ::CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, kFontCharset, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                         ToWide(kFontFace).c_str());
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Dispatch(MSG& message) {
    if (g_navigationWindow == nullptr || !::IsDialogMessageW(g_navigationWindow, &message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

ATOM RegisterFormClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = ::DefWindowProcW; // replaced per window below
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kForm1ClassName;
        return ::RegisterClassExW(&windowClass);
    }();
    return atom;
}

} // namespace

Form1::Form1(pf::UserInterface* ui)
    : m_winUi(std::make_unique<pf::Win32UserInterface>()), m_ui(ui != nullptr ? ui : m_winUi.get()),
      m_background(::CreateSolidBrush(m_backgroundColour)) {
    ::OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS |
                                                       ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    RegisterFormClass();
    // No WS_CLIPCHILDREN: the window paints the inside of its frames, which a group box leaves to it.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, Pixels(kClientWidthTwips), Pixels(kClientHeightTwips)};
    ::AdjustWindowRectEx(&frame, style, FALSE, 0);
    m_hwnd = ::CreateWindowExW(0, kForm1ClassName, L"Form1", style, CW_USEDEFAULT, CW_USEDEFAULT,
                               frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    ::SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form1::WindowProc));
    m_winUi->SetOwner(m_hwnd);
    g_navigationWindow = m_hwnd;
    CreateFonts();
    CreateControls();
    SetTabOrder();
}

Form1::~Form1() {
    if (m_dropRegistered) {
        ::RevokeDragDrop(m_controls.listView1);
    }
    if (g_navigationWindow == m_hwnd) {
        g_navigationWindow = nullptr;
    }
    if (::IsWindow(m_hwnd)) {
        ::DestroyWindow(m_hwnd);
    }
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(m_windowFont), static_cast<HGDIOBJ>(m_buttonFont),
                           static_cast<HGDIOBJ>(m_background)}) {
        ::DeleteObject(object);
    }
    if (m_customCursor != nullptr) {
        ::DestroyCursor(m_customCursor);
    }
    if (m_listDragCursor != nullptr) {
        ::DestroyIcon(m_listDragCursor);
    }
    ::OleUninitialize();
}

void Form1::Show() {
    RECT window{};
    ::GetWindowRect(m_hwnd, &window);
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    ::SetWindowPos(m_hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::ShowWindow(m_hwnd, SW_SHOW);
    ::UpdateWindow(m_hwnd);
    ::SetFocus(m_controls.listView1); // the first control in the tab order
}

int Form1::RunMessageLoop() {
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        Dispatch(message);
    }
    return static_cast<int>(message.wParam);
}

IDropTarget* Form1::DropTarget() const {
    return m_dropTarget.get();
}

// ---------------------------------------------------------------- building the window

void Form1::CreateFonts() {
    m_windowFont = ArialBold(kWindowFontPoints);
    m_buttonFont = ArialBold(kButtonFontPoints);
    ::SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_windowFont), FALSE);
}

// A control of the window; one in a frame is placed relative to the frame, but belongs to the window.
HWND Form1::CreateControl(const wchar_t* className, const ControlPlace& place, DWORD style, int id) {
    const int frameLeft = place.frame != nullptr ? place.frame->left : 0;
    const int frameTop = place.frame != nullptr ? place.frame->top : 0;
    const HWND control = ::CreateWindowExW(
        0, className, ToWide(place.caption).c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
        Pixels(frameLeft + place.left), Pixels(frameTop + place.top), Pixels(place.width),
        Pixels(place.height), m_hwnd, FromParameter<HMENU>(static_cast<std::uintptr_t>(id)),
        ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_windowFont), FALSE);
    return control;
}

void Form1::CreateControls() {
    Controls& c = m_controls;
    c.listView1 = CreateControl(
        WC_LISTVIEWW, kListView1,
        WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, kListView1Id);
    ::SetWindowLongPtrW(c.listView1, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
    ::SetWindowPos(c.listView1, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    ::SetWindowSubclass(c.listView1, &Form1::ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
    c.frame2 = CreateControl(WC_BUTTONW, kFrame2, BS_GROUPBOX, kFrame2Id);
    c.frame1 = CreateControl(WC_BUTTONW, kFrame1, BS_GROUPBOX, kFrame1Id);
    c.text1 = CreateControl(WC_EDITW, kText1, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, kText1Id);
    c.text2 = CreateControl(WC_EDITW, kText2, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, kText2Id);
    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        c.pushButtons[i] = CreateControl(WC_BUTTONW, kButtons[i], WS_TABSTOP | BS_PUSHBUTTON,
                                         kButtonId + static_cast<int>(i) + 1);
        ::SendMessageW(c.pushButtons[i], WM_SETFONT, reinterpret_cast<WPARAM>(m_buttonFont), FALSE);
    }
    c.progressBar1 = CreateControl(PROGRESS_CLASSW, kProgressBar1, PBS_SMOOTH, kProgressBar1Id);
    ::SendMessageW(c.progressBar1, PBM_SETRANGE32, 0, 100);
    ::SetWindowSubclass(c.progressBar1, &Form1::ProgressProc, 1, reinterpret_cast<DWORD_PTR>(this));

    c.toolTip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0,
                                  0, m_hwnd, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    std::wstring tip = ToWide(kListToolTip);
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = m_hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(c.listView1);
    tool.lpszText = tip.data();
    ::SendMessageW(c.toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(c.toolTip, TTM_SETMAXTIPWIDTH, 0, Pixels(kListView1.width));

    m_dropTarget = std::make_unique<pf::win32::FileDropTarget>(
        [this](const std::vector<std::string>& paths) { Events().ListView1_OLEDragDrop(paths); });
    m_dropRegistered = SUCCEEDED(::RegisterDragDrop(c.listView1, m_dropTarget.get()));
}

// The tab order follows the tab indexes; the frames and the progress bar sit below the rest, so the
// controls inside a frame are drawn over it.
void Form1::SetTabOrder() {
    HWND previous = HWND_TOP;
    for (const char* name : kTabOrder) {
        HWND control = nullptr;
        for (int i = 0; i < 7; ++i) {
            if (std::strcmp(name, kButtons[i].name) == 0) {
                control = m_controls.pushButtons[i];
            }
        }
        control = std::strcmp(name, kListView1.name) == 0 ? m_controls.listView1
                  : std::strcmp(name, kText1.name) == 0   ? m_controls.text1
                  : std::strcmp(name, kText2.name) == 0   ? m_controls.text2
                                                          : control;
        ::SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control;
    }
    for (HWND below : {m_controls.progressBar1, m_controls.frame2, m_controls.frame1}) {
        ::SetWindowPos(below, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

// ---------------------------------------------------------------- handlers

// A press selects the entry under the pointer and keeps the mouse, so the release is always seen here.
void Form1::ListView1_MouseDown(int x, int y) {
    ::SetFocus(m_controls.listView1);
    Events().ListView1_MouseDown();
    if (const long hit = RowAt(x, y); hit != 0) {
        SelectRow(hit);
        Events().ListView1_ItemClick();
    }
    ::SetCapture(m_controls.listView1);
}

void Form1::ListView1_MouseUp() {
    if (::GetCapture() == m_controls.listView1) {
        ::ReleaseCapture();
    }
    Events().ListView1_MouseUp();
}

// The frames show the window's background, for the hover rules.
void Form1::HoverOver(HWND control) {
    const bool overButton = std::find(std::begin(m_controls.pushButtons), std::end(m_controls.pushButtons),
                                      control) != std::end(m_controls.pushButtons);
    const bool overBackground =
        control == m_hwnd || control == m_controls.frame1 || control == m_controls.frame2;
    Hover(overButton       ? pf::HoverTarget::Button
          : overBackground ? pf::HoverTarget::Background
                           : pf::HoverTarget::Other);
}

// Closing the window destroys it, which ends the message loop and the program.
void Form1::Form_Unload() {
    if (UnloadRequested()) {
        m_endsProgram = true;
        ::DestroyWindow(m_hwnd);
    }
}

void Form1::HideWindow() {
    ::ShowWindow(m_hwnd, SW_HIDE);
}

void Form1::EndAfterRun() {
    Form_Unload();
}

// ---------------------------------------------------------------- messages

LRESULT CALLBACK Form1::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* form = FromParameter<Form1*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (form == nullptr) {
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return form->OnMessage(message, wParam, lParam);
}

LRESULT Form1::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        return OnCommand(wParam, lParam);
    case WM_SETCURSOR:
        return OnSetCursor(FromParameter<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        ::SetBkColor(FromParameter<HDC>(wParam), m_backgroundColour);
        return reinterpret_cast<LRESULT>(m_background);
    case WM_ERASEBKGND: {
        RECT client{};
        ::GetClientRect(m_hwnd, &client);
        ::FillRect(FromParameter<HDC>(wParam), &client, m_background);
        return 1;
    }
    case WM_ACTIVATE: // the focus leaves with the window and comes back to the same control
        if (LOWORD(wParam) == WA_INACTIVE) {
            m_focused = ::GetFocus();
        } else if (m_focused != nullptr && ::IsChild(m_hwnd, m_focused)) {
            ::SetFocus(m_focused);
        }
        return 0;
    case WM_CLOSE:
        Form_Unload();
        return 0;
    case WM_DESTROY:
        if (m_endsProgram) {
            ::PostQuitMessage(0);
        }
        return 0;
    default:
        return ::DefWindowProcW(m_hwnd, message, wParam, lParam);
    }
}

LRESULT Form1::OnCommand(WPARAM wParam, LPARAM /*lParam*/) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (code == BN_CLICKED && id > kButtonId && id <= kButtonId + 7) {
        (Events().*pf::kPushButtonClicks[static_cast<std::size_t>(id - kButtonId - 1)])();
    } else if (code == EN_CHANGE && id == kText1Id) {
        Events().Text1_Change();
    } else if (code == EN_CHANGE && id == kText2Id) {
        Events().Text2_Change();
    }
    return 0;
}

LRESULT Form1::OnSetCursor(HWND over, UINT hitTest, UINT mouseMessage) {
    if (hitTest != HTCLIENT) {
        return ::DefWindowProcW(m_hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(over),
                                MAKELPARAM(hitTest, mouseMessage));
    }
    if (mouseMessage == WM_MOUSEMOVE) {
        HoverOver(over);
    }
    if (const HCURSOR cursor = ShownCursor(over)) {
        ::SetCursor(cursor);
        return TRUE;
    }
    return FALSE; // the control's own cursor
}

HCURSOR Form1::ShownCursor(HWND over) const {
    if (over == m_controls.listView1 && m_listPointer != ListPointer::Inherited) {
        return m_listPointer == ListPointer::Drag && m_listDragCursor != nullptr
                   ? m_listDragCursor
                   : ::LoadCursorW(nullptr, IDC_ARROW);
    }
    switch (Pointer()) {
    case pf::MousePointer::Hourglass:
        return ::LoadCursorW(nullptr, IDC_WAIT);
    case pf::MousePointer::Custom:
        return m_customCursor;
    case pf::MousePointer::Default:
        break;
    }
    return nullptr;
}

// Shows a changed pointer at once when the mouse is over the window, without waiting for it to move.
void Form1::ShowPointer() {
    POINT at{};
    ::GetCursorPos(&at);
    const HWND over = ::WindowFromPoint(at);
    if (over != m_hwnd && !::IsChild(m_hwnd, over)) {
        return;
    }
    const HCURSOR cursor = ShownCursor(over);
    ::SetCursor(cursor != nullptr ? cursor : ::LoadCursorW(nullptr, IDC_ARROW));
}

bool Form1::OnListMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        ListView1_MouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return true;
    case WM_MOUSEMOVE:
        Events().ListView1_MouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return (wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0; // a held button belongs to the drag
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        ListView1_MouseUp();
        return true;
    case WM_LBUTTONDBLCLK:
        Events().ListView1_DblClick();
        return true;
    case WM_KEYDOWN:
        if (wParam == VK_DELETE) {
            Events().ListView1_DeleteKey();
            return true;
        }
        return false;
    case WM_SETCURSOR:
        if (m_listPointer != ListPointer::Inherited) {
            ::SetCursor(ShownCursor(m_controls.listView1));
            result = TRUE;
            return true;
        }
        return false;
    default:
        return false;
    }
}

LRESULT CALLBACK Form1::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                 DWORD_PTR data) {
    LRESULT result = 0;
    if (FromParameter<Form1*>(data)->OnListMessage(message, wParam, lParam, result)) {
        return result;
    }
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, &Form1::ListProc, id);
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

// The progress bar paints itself, then its caption centred over it.
LRESULT CALLBACK Form1::ProgressProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint{};
        const HDC dc = ::BeginPaint(hwnd, &paint);
        ::DefSubclassProc(hwnd, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        FromParameter<Form1*>(data)->PaintProgressCaption(dc);
        ::EndPaint(hwnd, &paint);
        return 0;
    }
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, &Form1::ProgressProc, id);
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

void Form1::PaintProgressCaption(HDC dc) const {
    std::wstring caption = WindowText(m_controls.progressBar1);
    RECT client{};
    ::GetClientRect(m_controls.progressBar1, &client);
    const HGDIOBJ oldFont = ::SelectObject(dc, m_windowFont);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(dc, oldFont);
}

// ---------------------------------------------------------------- Form: rows

namespace {

int ItemIndex(const Form1& form, long index) {
    return static_cast<int>(pf::ListPosition(form, index));
}

} // namespace

long Form1::RowCount() const {
    return static_cast<long>(::SendMessageW(m_controls.listView1, LVM_GETITEMCOUNT, 0, 0));
}

std::string Form1::RowText(long index) const {
    const int item = ItemIndex(*this, index);
    std::wstring text(MAX_PATH, L'\0');
    for (;;) {
        LVITEMW row{};
        row.pszText = text.data();
        row.cchTextMax = static_cast<int>(text.size());
        const auto length = static_cast<std::size_t>(
            ::SendMessageW(m_controls.listView1, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&row)));
        if (length + 1 < text.size()) {
            text.resize(length);
            return FromWide(text);
        }
        text.resize(text.size() * 2);
    }
}

void Form1::AppendRow(const std::string& text) {
    std::wstring wide = ToWide(text);
    LVITEMW row{};
    row.mask = LVIF_TEXT | LVIF_PARAM;
    row.iItem = static_cast<int>(RowCount());
    row.pszText = wide.data();
    row.lParam = static_cast<LPARAM>(m_nextRowId++);
    ::SendMessageW(m_controls.listView1, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row));
}

void Form1::SetRowText(long index, const std::string& text) {
    std::wstring wide = ToWide(text);
    LVITEMW row{};
    row.pszText = wide.data();
    ::SendMessageW(m_controls.listView1, LVM_SETITEMTEXTW, ItemIndex(*this, index),
                   reinterpret_cast<LPARAM>(&row));
}

void Form1::RemoveRow(long index) {
    ::SendMessageW(m_controls.listView1, LVM_DELETEITEM, ItemIndex(*this, index), 0);
}

void Form1::ClearRows() {
    ::SendMessageW(m_controls.listView1, LVM_DELETEALLITEMS, 0, 0);
}

void Form1::SelectRow(long index) {
    LVITEMW row{};
    row.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    row.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(m_controls.listView1, LVM_SETITEMSTATE, ItemIndex(*this, index),
                   reinterpret_cast<LPARAM>(&row));
}

long Form1::CurrentRow() const {
    for (const LPARAM which : {LVNI_FOCUSED, LVNI_SELECTED}) {
        const auto item =
            ::SendMessageW(m_controls.listView1, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), which);
        if (item >= 0) {
            return static_cast<long>(item) + 1;
        }
    }
    return 0;
}

// Rows stand one below the other from the top row shown; a point left or right of the text still hits
// its row, as anywhere across the list's width.
long Form1::RowAt(int x, int y) const {
    const long count = RowCount();
    RECT client{};
    ::GetClientRect(m_controls.listView1, &client);
    if (count == 0 || x < 0 || x >= client.right || y < 0 || y >= client.bottom) {
        return 0;
    }
    const auto top = static_cast<long>(::SendMessageW(m_controls.listView1, LVM_GETTOPINDEX, 0, 0));
    RECT row{};
    row.left = LVIR_BOUNDS;
    ::SendMessageW(m_controls.listView1, LVM_GETITEMRECT, static_cast<WPARAM>(top),
                   reinterpret_cast<LPARAM>(&row));
    const int height = row.bottom - row.top;
    if (height <= 0 || y < row.top) {
        return 0;
    }
    const long index = top + (y - row.top) / height;
    return index < count ? index + 1 : 0;
}

void Form1::ScrollRowIntoView(long index) {
    ::SendMessageW(m_controls.listView1, LVM_ENSUREVISIBLE, ItemIndex(*this, index), FALSE);
}

pf::RowId Form1::RowIdAt(long index) const {
    LVITEMW row{};
    row.mask = LVIF_PARAM;
    row.iItem = ItemIndex(*this, index);
    ::SendMessageW(m_controls.listView1, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&row));
    return static_cast<pf::RowId>(row.lParam);
}

long Form1::IndexOfRow(pf::RowId id) const {
    if (id == 0) {
        return 0;
    }
    LVFINDINFOW find{};
    find.flags = LVFI_PARAM;
    find.lParam = static_cast<LPARAM>(id);
    const auto item = ::SendMessageW(m_controls.listView1, LVM_FINDITEMW, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(&find));
    return item < 0 ? 0 : static_cast<long>(item) + 1;
}

// ---------------------------------------------------------------- Form: pointers, boxes, progress

void Form1::SetListDragPointer(bool dragging) {
    if (dragging) {
        if (m_listDragCursor != nullptr) {
            ::DestroyIcon(m_listDragCursor);
        }
        const std::wstring file = ToWide(pf::platform::InProgramFolder("drag.ico"));
        m_listDragCursor = static_cast<HCURSOR>(
            ::LoadImageW(nullptr, file.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
    }
    m_listPointer = dragging ? ListPointer::Drag : ListPointer::Arrow;
    ShowPointer();
}

int Form1::CursorScreenY() const {
    POINT at{};
    ::GetCursorPos(&at);
    return at.y;
}

std::string Form1::Text1() const {
    return FromWide(WindowText(m_controls.text1));
}

void Form1::SetText1(const std::string& text) {
    ::SetWindowTextW(m_controls.text1, ToWide(text).c_str());
}

std::string Form1::Text2() const {
    return FromWide(WindowText(m_controls.text2));
}

void Form1::SetText2(const std::string& text) {
    ::SetWindowTextW(m_controls.text2, ToWide(text).c_str());
}

void Form1::SetProgress(double value) {
    ::SendMessageW(m_controls.progressBar1, PBM_SETPOS, static_cast<WPARAM>(std::lround(value)), 0);
}

void Form1::SetProgressCaption(const std::string& caption) {
    ::SetWindowTextW(m_controls.progressBar1, ToWide(caption).c_str());
    ::InvalidateRect(m_controls.progressBar1, nullptr, TRUE);
}

// ---------------------------------------------------------------- Form: the message loop

void Form1::RunPendingMessages() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam)); // the outer loop ends the program
            return;
        }
        Dispatch(message);
    }
}

void Form1::WaitForMessages(int milliseconds) {
    ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(milliseconds), QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
}

// ---------------------------------------------------------------- WindowSetup

void Form1::ApplySkinFile(const std::string& /*skinFile*/) {
    m_backgroundColour = ::GetSysColor(COLOR_BTNFACE);
    ::DeleteObject(m_background);
    m_background = ::CreateSolidBrush(m_backgroundColour);
    ::RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Form1::LoadCustomPointer(const std::string& cursorFile) {
    if (m_customCursor != nullptr) {
        ::DestroyCursor(m_customCursor);
    }
    m_customCursor = static_cast<HCURSOR>(::LoadImageW(nullptr, ToWide(cursorFile).c_str(), IMAGE_CURSOR, 0,
                                                       0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
    if (Pointer() == pf::MousePointer::Custom) {
        ShowPointer();
    }
}

void Form1::SetCaption(const std::string& caption) {
    ::SetWindowTextW(m_hwnd, ToWide(caption).c_str());
}

void Form1::SetProgramIcon() {
    const HINSTANCE program = ::GetModuleHandleW(nullptr);
    for (const auto& [which, size] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
        const int pixels = ::GetSystemMetrics(size);
        HANDLE icon =
            ::LoadImageW(program, MAKEINTRESOURCEW(kProgramIconId), IMAGE_ICON, pixels, pixels, LR_SHARED);
        if (icon == nullptr) {
            icon = ::LoadIconW(nullptr, IDI_APPLICATION);
        }
        ::SendMessageW(m_hwnd, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
}

void Form1::AddListColumn(const std::string& header) {
    std::wstring text = ToWide(header);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = Pixels(kListView1.width) / 2;
    column.pszText = text.data();
    ::SendMessageW(m_controls.listView1, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
}

void Form1::SetListColumnWidth(int twips) {
    ::SendMessageW(m_controls.listView1, LVM_SETCOLUMNWIDTH, 0, Pixels(twips));
}

#include "inputbox.h"

#include "widetext.h"
#include "wintext.h"

#include <vector>

namespace pf::win32 {

using platform::win::FromWide;
using platform::win::ToWide;

namespace {

// Builds a dialog template in memory: the header, then one item per control, each on a DWORD boundary.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, short width, short height, int items) {
        Align();
        Add(LOWORD(style));
        Add(HIWORD(style));
        Add(0); // extended style
        Add(0);
        Add(static_cast<WORD>(items));
        Add(0); // x, y
        Add(0);
        Add(static_cast<WORD>(width));
        Add(static_cast<WORD>(height));
        Add(0); // no menu
        Add(0); // the dialog class
        Add(0); // the title is set when the dialog opens
        Add(8); // font size, then face
        AddText(L"MS Shell Dlg");
    }

    void AddItem(DWORD style, short x, short y, short width, short height, int id, WORD classAtom) {
        Align();
        style |= WS_CHILD | WS_VISIBLE;
        Add(LOWORD(style));
        Add(HIWORD(style));
        Add(0);
        Add(0);
        for (const short value : {x, y, width, height}) {
            Add(static_cast<WORD>(value));
        }
        Add(static_cast<WORD>(id));
        Add(0xFFFF);
        Add(classAtom);
        Add(0); // no text: set when the dialog opens
        Add(0); // no creation data
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    void Add(WORD word) { m_words.push_back(word); }
    void AddText(const wchar_t* text) {
        for (; *text != L'\0'; ++text) {
            Add(static_cast<WORD>(*text));
        }
        Add(0);
    }
    void Align() {
        if (m_words.size() % 2 != 0) {
            Add(0);
        }
    }

    std::vector<WORD> m_words;
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;

struct InputState {
    std::wstring prompt;
    std::wstring title;
    std::wstring answer;
};

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        // The dialog's creation parameter is its state. NOLINTNEXTLINE(performance-no-int-to-ptr)
        const auto* state = reinterpret_cast<const InputState*>(lParam);
        ::SetWindowTextW(dialog, state->title.c_str());
        ::SetDlgItemTextW(dialog, kInputPromptId, state->prompt.c_str());
        ::SetDlgItemTextW(dialog, kInputTextId, state->answer.c_str());
        ::SetDlgItemTextW(dialog, IDOK, L"OK");
        ::SetDlgItemTextW(dialog, IDCANCEL, L"Cancel");
        ::SendDlgItemMessageW(dialog, kInputTextId, EM_SETSEL, 0, -1);
        ::SetFocus(::GetDlgItem(dialog, kInputTextId));
        return FALSE; // the focus is set
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): the state kept with the dialog
        auto* state = reinterpret_cast<InputState*>(::GetWindowLongPtrW(dialog, DWLP_USER));
        const HWND text = ::GetDlgItem(dialog, kInputTextId);
        state->answer.assign(static_cast<std::size_t>(::GetWindowTextLengthW(text)) + 1, L'\0');
        state->answer.resize(static_cast<std::size_t>(
            ::GetWindowTextW(text, state->answer.data(), static_cast<int>(state->answer.size()))));
        ::EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

std::string InputBox(HWND owner, const std::string& prompt, const std::string& title,
                     const std::string& defaultAnswer) {
    DialogTemplate layout(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU, 240,
                          92, 4);
    layout.AddItem(SS_LEFT, 7, 7, 170, 56, kInputPromptId, kStaticAtom);
    layout.AddItem(BS_DEFPUSHBUTTON | WS_TABSTOP, 183, 7, 50, 14, IDOK, kButtonAtom);
    layout.AddItem(BS_PUSHBUTTON | WS_TABSTOP, 183, 25, 50, 14, IDCANCEL, kButtonAtom);
    layout.AddItem(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 70, 226, 13, kInputTextId, kEditAtom);
    InputState state{DisplayText(prompt), ToWide(title), ToWide(defaultAnswer)};
    const INT_PTR result = ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), layout.Get(), owner,
                                                     InputBoxProc, reinterpret_cast<LPARAM>(&state));
    return result == IDOK ? FromWide(state.answer) : std::string();
}

} // namespace pf::win32

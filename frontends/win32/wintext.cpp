#include "wintext.h"

#include "widetext.h"

#include <windows.h>

namespace pf::win32 {

std::wstring DisplayText(std::string_view utf8) {
    const std::wstring text = platform::win::ToWide(utf8);
    std::wstring out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == L'\r' && (i + 1 == text.size() || text[i + 1] != L'\n')) {
            out += L'\n';
        }
    }
    return out;
}

} // namespace pf::win32

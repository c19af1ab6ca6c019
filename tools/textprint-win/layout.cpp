#include "layout.h"

#include "textprinter.h"

#include <algorithm>
#include <array>
#include <vector>

namespace pf::textprint {

namespace {

// Monospaced faces in order of preference: Windows's own, then those that stand in for them elsewhere.
constexpr std::array<const wchar_t*, 4> kFaces = {L"Consolas", L"Courier New", L"Liberation Mono",
                                                  L"DejaVu Sans Mono"};

int CALLBACK NoteTrueType(const LOGFONTW* /*font*/, const TEXTMETRICW* /*metrics*/, DWORD type,
                          LPARAM found) {
    if ((type & TRUETYPE_FONTTYPE) != 0) {
        *reinterpret_cast<bool*>(found) = true; // NOLINT(performance-no-int-to-ptr): the callback's context
    }
    return 1;
}

bool HasTrueTypeFace(HDC dc, const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    std::copy_n(face, std::min<std::size_t>(wcslen(face), LF_FACESIZE - 1), wanted.lfFaceName);
    bool found = false;
    ::EnumFontFamiliesExW(dc, &wanted, NoteTrueType, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// A scalable monospaced font of 10 points at the device's resolution; where none of the preferred faces
// is installed, the system picks a fixed-pitch face.
HFONT CreateTextFont(HDC dc, int dpiY) {
    const auto* const face = std::find_if(kFaces.begin(), kFaces.end(),
                                          [&](const wchar_t* name) { return HasTrueTypeFace(dc, name); });
    return ::CreateFontW(-::MulDiv(static_cast<int>(kFontPoints), dpiY, kPointsPerInch), 0, 0, 0, FW_NORMAL,
                         FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                         DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, face != kFaces.end() ? *face : L"");
}

// Control characters take no room and show nothing.
bool IsControl(char32_t ch) {
    return ch < 0x20 || (ch >= 0x7F && ch <= 0x9F);
}

// Whether the first character with a strong direction is right-to-left, by the system's own classes.
bool StartsRightToLeft(const std::wstring& text) {
    std::vector<WORD> types(text.size());
    if (!::GetStringTypeW(CT_CTYPE2, text.data(), static_cast<int>(text.size()), types.data())) {
        return false;
    }
    const auto strong = std::find_if(types.begin(), types.end(),
                                     [](WORD t) { return t == C2_LEFTTORIGHT || t == C2_RIGHTTOLEFT; });
    return strong != types.end() && *strong == C2_RIGHTTOLEFT;
}

// Uniscribe's analysis of one run of text: shaped glyphs with fallback fonts, in visual order.
class Analysis {
public:
    Analysis(HDC dc, const wchar_t* text, std::size_t length, bool rightToLeft, DWORD extraFlags) {
        const DWORD flags = SSA_GLYPHS | SSA_FALLBACK | SSA_LINK | extraFlags | (rightToLeft ? SSA_RTL : 0);
        const int count = static_cast<int>(length);
        if (FAILED(::ScriptStringAnalyse(dc, text, count, count * 3 / 2 + 16, -1, flags, 0, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, &m_analysis))) {
            m_analysis = nullptr;
        }
    }
    ~Analysis() {
        if (m_analysis != nullptr) {
            ::ScriptStringFree(&m_analysis);
        }
    }
    Analysis(const Analysis&) = delete;
    Analysis& operator=(const Analysis&) = delete;

    SCRIPT_STRING_ANALYSIS Get() const { return m_analysis; }

private:
    SCRIPT_STRING_ANALYSIS m_analysis = nullptr;
};

// The start of the character cluster that holds position i, but never at or before start.
std::size_t ClusterStart(const SCRIPT_LOGATTR* attributes, std::size_t start, std::size_t i) {
    std::size_t at = i;
    while (at > start + 1 && attributes[at].fCharStop == 0) {
        --at;
    }
    return at;
}

// Whether a line may start at position i: where the system says so, and after white space in any case
// (Wine's Uniscribe marks no break opportunities at all).
bool IsBreakOpportunity(const SCRIPT_LOGATTR* attributes, std::size_t i) {
    return attributes[i].fSoftBreak != 0 ||
           (i > 0 && attributes[i - 1].fWhiteSpace != 0 && attributes[i].fWhiteSpace == 0);
}

// Where each line of a text starts when it is wrapped at width: after the last break opportunity that
// fits, or inside a word that alone is too long. White space never wraps: it hangs past the margin.
std::vector<std::size_t> LineStarts(const int* widths, const SCRIPT_LOGATTR* attributes, std::size_t length,
                                    int width) {
    std::vector<std::size_t> starts{0};
    int x = 0;
    std::size_t lastBreak = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const std::size_t start = starts.back();
        if (i > start && IsBreakOpportunity(attributes, i)) {
            lastBreak = i;
        }
        if (i > start && attributes[i].fWhiteSpace == 0 && x + widths[i] > width) {
            const std::size_t at = lastBreak > start ? lastBreak : ClusterStart(attributes, start, i);
            starts.push_back(at);
            x = 0;
            for (std::size_t j = at; j < i; ++j) {
                x += widths[j];
            }
        }
        x += widths[i];
    }
    return starts;
}

void AppendUtf16(std::wstring& text, char32_t ch) {
    if (ch >= 0x10000) {
        text += static_cast<wchar_t>(0xD800 + ((ch - 0x10000) >> 10));
        text += static_cast<wchar_t>(0xDC00 + ((ch - 0x10000) & 0x3FF));
    } else {
        text += static_cast<wchar_t>(ch);
    }
}

} // namespace

PageLayout::PageLayout(HDC dc, const PageArea& area, PrintDocument& document)
    : m_dc(dc), m_area(area), m_document(document), m_font(CreateTextFont(dc, area.dpiY)) {
    m_oldFont = ::SelectObject(m_dc, m_font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(m_dc, &metrics);
    m_lineHeight = std::max(1, static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading));
    m_ascent = metrics.tmAscent;
    SetLinesPerPage((m_area.bottom - m_area.top) / m_lineHeight);
    ::SetTextColor(m_dc, RGB(0, 0, 0));
}

PageLayout::~PageLayout() {
    ::SelectObject(m_dc, m_oldFont);
    ::DeleteObject(m_font);
}

void PageLayout::Place(char32_t ch) {
    if (!IsControl(ch)) {
        Append(ch);
    }
}

void PageLayout::Append(char32_t ch) {
    AppendUtf16(m_text, ch);
    ++m_column;
    if (m_text.size() >= kMaxHeld) {
        LayOut(false);
    }
}

// A tab moves to the next multiple of eight columns, filled with spaces.
void PageLayout::Tab() {
    do {
        Append(U' ');
    } while (m_column % static_cast<std::size_t>(kTabColumns) != 0);
}

void PageLayout::EndLine() {
    LayOut(true);
    m_column = 0;
    m_directionKnown = false;
}

// Prints the held text as wrapped lines. An incomplete line keeps its last, unfinished part held, unless
// nothing of it could be printed yet; then all of it goes out as one line.
void PageLayout::LayOut(bool complete) {
    if (m_text.empty()) {
        StartLine();
        FinishLine(); // an empty line
        return;
    }
    if (!m_directionKnown) {
        m_rightToLeft = StartsRightToLeft(m_text);
        m_directionKnown = true;
    }
    std::vector<std::size_t> starts{0};
    {
        const Analysis analysis(m_dc, m_text.data(), m_text.size(), m_rightToLeft, SSA_BREAK);
        const SCRIPT_LOGATTR* attributes =
            analysis.Get() != nullptr ? ::ScriptString_pLogAttr(analysis.Get()) : nullptr;
        std::vector<int> widths(m_text.size());
        if (attributes != nullptr &&
            SUCCEEDED(::ScriptStringGetLogicalWidths(analysis.Get(), widths.data()))) {
            starts = LineStarts(widths.data(), attributes, m_text.size(), m_area.right - m_area.left);
        }
    }
    const bool keepLast = !complete && starts.size() > 1;
    const std::size_t drawn = keepLast ? starts.size() - 1 : starts.size();
    for (std::size_t i = 0; i < drawn; ++i) {
        DrawLine(starts[i], i + 1 < starts.size() ? starts[i + 1] : m_text.size());
    }
    m_text.erase(0, keepLast ? starts.back() : m_text.size());
}

// Draws part of the held text as one line. Spaces at its end are left out: they show nothing, and on a
// line set from the right margin they would push the text to the left.
void PageLayout::DrawLine(std::size_t start, std::size_t end) {
    while (end > start && m_text[end - 1] == L' ') {
        --end;
    }
    const int baseline = m_area.top + m_ascent + StartLine() * m_lineHeight;
    const Analysis analysis(m_dc, m_text.data() + start, end - start, m_rightToLeft, 0);
    if (end == start || !m_document.Ok()) {
        // nothing to draw
    } else if (analysis.Get() != nullptr) {
        const SIZE* size = ::ScriptString_pSize(analysis.Get());
        const int x = m_rightToLeft && size != nullptr ? m_area.right - size->cx : m_area.left;
        ::ScriptStringOut(analysis.Get(), x, baseline, 0, nullptr, 0, 0, FALSE);
    } else {
        // Text that Uniscribe cannot take is still printed, unshaped, rather than lost.
        ::TextOutW(m_dc, m_area.left, baseline, m_text.data() + start, static_cast<int>(end - start));
    }
    FinishLine();
}

void PageLayout::OpenPage() {
    m_document.BeginPage();
    // Some drivers reset the device context's state with every page. Text of every font, fallback fonts
    // included, sits on one baseline.
    ::SelectObject(m_dc, m_font);
    ::SetBkMode(m_dc, TRANSPARENT);
    ::SetTextAlign(m_dc, TA_BASELINE | TA_LEFT);
}

void PageLayout::ClosePage() {
    m_document.EndPage();
}

} // namespace pf::textprint

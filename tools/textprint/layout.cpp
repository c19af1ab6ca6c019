#include "layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace pf::textprint {

namespace {

constexpr float kFit = 0.01f; // points a line may be over its width from rounding alone
constexpr std::size_t kMaxLineLength = 1024;

// Characters that take no room and show nothing: controls and the invisible format characters. The
// joiners and the direction marks also show nothing but steer shaping and direction: the shaper gets them.
bool IsInvisible(char32_t ch) {
    return ch < 0x20 || (ch >= 0x7F && ch <= 0x9F) || ch == 0x200B || (ch >= 0x2060 && ch <= 0x2064) ||
           ch == 0xFEFF;
}

// East Asian text has no spaces between words: a line may break before and after any of these.
bool IsIdeographic(char32_t ch) {
    return (ch >= 0x2E80 && ch <= 0x9FFF) || (ch >= 0xAC00 && ch <= 0xD7AF) ||
           (ch >= 0xF900 && ch <= 0xFAFF) || (ch >= 0xFF00 && ch <= 0xFF60) ||
           (ch >= 0x20000 && ch <= 0x3FFFF);
}

bool UsesLetterPaper(std::string_view country) {
    constexpr std::array<std::string_view, 14> kLetterCountries = {"US", "CA", "MX", "PH", "PR", "CL", "CO",
                                                                   "CR", "GT", "NI", "PA", "SV", "VE", "BO"};
    return std::find(kLetterCountries.begin(), kLetterCountries.end(), country) != kLetterCountries.end();
}

} // namespace

PageGeometry PaperForLocale(const char* lcAll, const char* lcPaper, const char* lang) {
    for (const char* value : {lcAll, lcPaper, lang}) {
        if (value == nullptr || value[0] == '\0') {
            continue;
        }
        // language_COUNTRY.codeset@modifier
        const std::string_view locale(value);
        const std::size_t underscore = locale.find('_');
        if (underscore == std::string_view::npos) {
            return PageGeometry::A4();
        }
        const std::string_view country =
            locale.substr(underscore + 1, locale.find_first_of(".@") - underscore - 1);
        return UsesLetterPaper(country) ? PageGeometry::Letter() : PageGeometry::A4();
    }
    return PageGeometry::A4();
}

PageLayout::PageLayout(FontSet& fonts, const PageGeometry& page, printjob::JobWriter& job)
    : m_fonts(fonts), m_page(page), m_job(job),
      m_width(static_cast<float>(page.width - page.left - page.right)),
      m_tabWidth(kTabColumns * fonts.Lookup(' ').advance), m_shaper(fonts) {
    SetLinesPerPage(static_cast<int>((page.height - page.top - page.bottom) / fonts.LineHeight() + 1e-6));
}

void PageLayout::Place(char32_t ch) {
    if (IsInvisible(ch)) {
        return;
    }
    const GlyphInfo glyph = m_fonts.Lookup(ch);
    if (m_complex || !glyph.simple) {
        PlaceComplex(ch, glyph);
        return;
    }
    const bool ideograph = IsIdeographic(ch);
    if (ideograph && m_lineUsed) {
        m_canBreak = true;
        m_break = m_line.size();
    }
    // Spaces never wrap: they hang past the margin, undrawn and unkept (so a line of any number of them
    // needs no memory), and the next word goes to the next line.
    const bool hangs = m_x + glyph.advance > m_width + kFit;
    if (ch != ' ' && hangs) {
        Wrap(glyph.advance);
    }
    if (ch != ' ' || !hangs) {
        m_line.push_back({glyph.font, glyph.index, m_x, glyph.advance, ch});
    }
    m_x += glyph.advance;
    m_lineUsed = true;
    if (ch == ' ' || ideograph) {
        m_canBreak = true;
        m_break = m_line.size();
    }
}

// A line that needs shaping keeps its characters with estimated widths until they may not fit; then the
// shaper measures the line and it wraps where the measured clusters say. A space past the margin hangs,
// unkept, as on a simple line.
void PageLayout::PlaceComplex(char32_t ch, const GlyphInfo& glyph) {
    m_complex = true;
    // Characters that take no room never fill a line; so many of them end it anyway, to bound memory.
    if ((m_hanging && ch != ' ' && !ContinuesCluster(ch)) || m_line.size() >= kMaxLineLength) {
        BreakAt(m_line.size());
    }
    const bool ideograph = IsIdeographic(ch);
    if (ideograph && m_lineUsed) {
        m_canBreak = true;
        m_break = m_line.size();
    }
    const bool start = m_line.empty() || !ContinuesCluster(ch);
    m_line.push_back({glyph.font, glyph.index, m_x, glyph.advance, ch, glyph.simple, start});
    m_x += glyph.advance;
    m_lineUsed = true;
    m_measured = false;
    if (m_x > m_width + kFit) {
        Measure();
    }
    if (ch == ' ') {
        if (m_x > m_width + kFit) {
            m_x -= m_line.back().advance;
            m_line.pop_back();
            m_hanging = true;
        }
        m_canBreak = true;
        m_break = m_line.size();
        return;
    }
    while (m_x > m_width + kFit && m_line.size() > 1) {
        BreakAt(m_canBreak && m_break > 0 && m_break < m_line.size() ? m_break : FittingClusters());
        if (m_complex && m_x > m_width + kFit) {
            Measure();
        }
    }
    if (ideograph) {
        m_canBreak = true;
        m_break = m_line.size();
    }
}

// The shaper's widths replace the estimates; each cluster's width sits on its first character.
void PageLayout::Measure() {
    if (m_measured) {
        return;
    }
    m_text.clear();
    for (const Placed& placed : m_line) {
        m_text += placed.ch;
    }
    m_shaper.Measure(m_text, m_direction, m_widths, m_starts);
    float x = 0;
    for (std::size_t i = 0; i < m_line.size(); ++i) {
        m_line[i].x = x;
        m_line[i].advance = m_widths[i];
        m_line[i].start = i == 0 || m_starts[i];
        x += m_widths[i];
    }
    m_x = x;
    m_measured = true;
}

// How many characters of the line make the most whole clusters that fit (at least one cluster).
std::size_t PageLayout::FittingClusters() const {
    std::size_t fit = 0;
    for (std::size_t i = 1; i < m_line.size() && m_line[i].x <= m_width + kFit; ++i) {
        if (m_line[i].start) {
            fit = i;
        }
    }
    if (fit == 0) {
        fit = 1;
        while (fit < m_line.size() && !m_line[fit].start) {
            ++fit;
        }
    }
    return fit;
}

// A tab moves to the next multiple of eight columns. The room it leaves is filled with spaces, so the
// PDF's text reads the way the file shows in an editor.
void PageLayout::Tab() {
    const GlyphInfo space = m_fonts.Lookup(' ');
    const auto stop = static_cast<float>((std::floor(m_x / m_tabWidth + 1e-4) + 1) * m_tabWidth);
    while (m_x + space.advance <= stop + kFit) {
        if (m_x + space.advance <= m_width + kFit) { // like spaces, tabs hang past the margin unkept
            m_line.push_back({space.font, space.index, m_x, space.advance, U' '});
        }
        m_x += space.advance;
    }
    m_x = stop;
    m_lineUsed = true;
    m_measured = false;
    m_canBreak = true;
    m_break = m_line.size();
}

// The line is full: break after its last space, or inside the word when the word alone is too long.
void PageLayout::Wrap(float advance) {
    if (m_canBreak) {
        BreakAt(m_break);
    }
    if (m_lineUsed && m_x + advance > m_width + kFit) {
        BreakAt(m_line.size());
    }
}

// Prints the first count characters as a line; the rest start the next line.
void PageLayout::BreakAt(std::size_t count) {
    EmitLine(count);
    m_line.erase(m_line.begin(), m_line.begin() + static_cast<std::ptrdiff_t>(count));
    const float shift = m_line.empty() ? m_x : m_line.front().x;
    for (auto& placed : m_line) {
        placed.x -= shift;
    }
    m_x -= shift;
    m_lineUsed = !m_line.empty();
    m_canBreak = false;
    m_break = 0;
    m_hanging = false;
    m_measured = false;
    m_complex =
        std::any_of(m_line.begin(), m_line.end(), [](const Placed& placed) { return !placed.simple; });
}

void PageLayout::EndLine() {
    EmitLine(m_line.size());
    m_line.clear();
    m_x = 0;
    m_lineUsed = false;
    m_canBreak = false;
    m_break = 0;
    m_hanging = false;
    m_measured = false;
    m_complex = false;
    m_direction = Direction::Unknown;
}

void PageLayout::EmitLine(std::size_t count) {
    const int line = StartLine();
    const auto baseline = static_cast<float>(m_page.top + m_fonts.Ascent() + line * m_fonts.LineHeight());
    if (m_complex) {
        EmitShaped(count, baseline);
    } else {
        EmitRuns(count, baseline);
    }
    FinishLine();
}

// Consecutive characters of one font make one run; spaces hanging past the margin are not drawn.
void PageLayout::EmitRuns(std::size_t count, float baseline) {
    if (m_direction == Direction::Unknown && count > 0) {
        m_direction = Direction::LeftToRight; // a paragraph that starts in a simple script runs left to right
    }
    const auto left = static_cast<float>(m_page.left);
    std::int32_t font = -1;
    m_run.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const Placed& placed = m_line[i];
        if (placed.ch == ' ' && placed.x + placed.advance > m_width + kFit) {
            continue;
        }
        if (placed.font != font && !m_run.empty()) {
            AddRun(font, baseline);
        }
        font = placed.font;
        m_run.push_back({placed.index, left + placed.x, placed.ch});
    }
    if (!m_run.empty()) {
        AddRun(font, baseline);
    }
}

// The shaped runs of the line's first count characters, in visual order from the left margin, as a word
// processor prints a plain-text file whatever its direction.
void PageLayout::EmitShaped(std::size_t count, float baseline) {
    m_text.clear();
    for (std::size_t i = 0; i < count; ++i) {
        m_text += m_line[i].ch;
    }
    m_shaper.Lay(m_text, m_direction, m_shaped);
    const auto left = static_cast<float>(m_page.left);
    for (ShapedRun& shaped : m_shaped) {
        if (shaped.run.glyphs.empty()) {
            continue;
        }
        DefineFont(shaped.font);
        shaped.run.font = static_cast<std::uint32_t>(shaped.font);
        shaped.run.size = m_fonts.Size();
        shaped.run.y = baseline;
        for (auto& glyph : shaped.run.glyphs) {
            glyph.x += left;
        }
        m_job.AddShapedRun(shaped.run);
    }
}

// A font goes into the job with its first run: fonts looked at but never used stay out of the document.
void PageLayout::DefineFont(std::int32_t font) {
    const auto id = static_cast<std::size_t>(font);
    if (m_defined.size() <= id) {
        m_defined.resize(id + 1, false);
    }
    if (!m_defined[id]) {
        m_job.DefineFont(m_fonts.Fonts()[id]);
        m_defined[id] = true;
    }
}

void PageLayout::AddRun(std::int32_t font, float baseline) {
    DefineFont(font);
    m_job.AddRun(static_cast<std::uint32_t>(font), m_fonts.Size(), baseline, m_run.data(), m_run.size());
    m_run.clear();
}

void PageLayout::OpenPage() {
    m_job.BeginPage(m_page.width, m_page.height);
}

void PageLayout::ClosePage() {
    m_job.EndPage();
}

} // namespace pf::textprint

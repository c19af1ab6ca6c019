#pragma once

#include "fonts.h"
#include "jobformat.h"
#include "pageflow.h"
#include "shaper.h"
#include "textprinter.h"

#include <string_view>
#include <vector>

namespace pf::textprint {

// A sheet of paper and the margins of the text on it, in points.
struct PageGeometry {
    double width = 0;
    double height = 0;
    double left = kSideMarginPoints;
    double right = kSideMarginPoints;
    double top = kTopBottomMarginPoints;
    double bottom = kTopBottomMarginPoints;

    static PageGeometry A4() { return {595.2756, 841.8898}; }
    static PageGeometry Letter() { return {612, 792}; }
};

// The paper of the user's locale: Letter where LC_ALL, LC_PAPER or LANG (the first one set) names a
// country that uses it, A4 everywhere else.
PageGeometry PaperForLocale(const char* lcAll, const char* lcPaper, const char* lang);

// Lays characters out on pages the way a word processor prints a plain-text file (see PageFlow): one
// monospace size, lines wrapped at word boundaries within the margins, tabs to every eighth column. Each
// finished page goes to the print job at once, so only one line is held in memory.
// A line of simple characters is set one glyph per character; any other line goes through the shaper,
// is drawn in visual order and wraps only between clusters.
class PageLayout : public PageFlow {
public:
    PageLayout(FontSet& fonts, const PageGeometry& page, printjob::JobWriter& job);

private:
    struct Placed {
        std::int32_t font;
        std::uint32_t index;
        float x; // from the left margin
        float advance;
        char32_t ch;
        bool simple = true;
        bool start = true; // starts a cluster: the line may break before it
    };

    void Place(char32_t ch) override;
    void Tab() override;
    bool HasLine() const override { return m_lineUsed; }
    void EndLine() override;
    void OpenPage() override;
    void ClosePage() override;
    void PlaceComplex(char32_t ch, const GlyphInfo& glyph);
    void Measure();
    std::size_t FittingClusters() const;
    void EmitShaped(std::size_t count, float baseline);
    void DefineFont(std::int32_t font);
    void Wrap(float advance);
    void BreakAt(std::size_t count);
    void EmitLine(std::size_t count);
    void EmitRuns(std::size_t count, float baseline);
    void AddRun(std::int32_t font, float baseline);

    FontSet& m_fonts;
    PageGeometry m_page;
    printjob::JobWriter& m_job;
    float m_width;
    float m_tabWidth;

    std::vector<Placed> m_line;
    float m_x = 0;
    bool m_lineUsed = false; // the line holds something (characters or tabs)
    bool m_canBreak = false; // a line break may go after the first m_break characters
    std::size_t m_break = 0;
    bool m_complex = false;  // the line holds characters that need shaping
    bool m_measured = false; // the line's positions are the shaper's, not estimates
    bool m_hanging = false;  // a space hangs past the margin: the next character starts a new line
    Direction m_direction = Direction::Unknown;
    Shaper m_shaper;
    std::u32string m_text;
    std::vector<float> m_widths;
    std::vector<bool> m_starts;
    std::vector<ShapedRun> m_shaped;
    std::vector<bool> m_defined; // by font id: already in the job
    std::vector<printjob::Glyph> m_run;
};

} // namespace pf::textprint

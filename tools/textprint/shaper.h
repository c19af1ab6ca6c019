#pragma once

// Sets a line of text that needs more than one glyph per character: the bidirectional algorithm
// (FriBidi) splits it into runs by direction, the runs are split again by script and font, each is
// shaped by HarfBuzz with its font, and the runs are put in visual order.

#include "fonts.h"
#include "jobformat.h"

#include <string_view>
#include <unordered_map>
#include <vector>

struct hb_buffer_t;

namespace pf::textprint {

// The direction of a paragraph: unknown until its first strong character has been seen.
enum class Direction { Unknown, LeftToRight, RightToLeft };

// One shaped run of a line: glyphs of one font and direction, in visual order, with x from the line's
// left edge.
struct ShapedRun {
    std::int32_t font = 0;
    printjob::Run run;
};

class Shaper {
public:
    explicit Shaper(FontSet& fonts);
    ~Shaper();
    Shaper(const Shaper&) = delete;
    Shaper& operator=(const Shaper&) = delete;

    // The width each character takes in logical order: a cluster's width goes to its first character,
    // the others get 0 and are marked as not starting a cluster (a line never breaks before them).
    void Measure(std::u32string_view text, Direction& direction, std::vector<float>& widths,
                 std::vector<bool>& clusterStarts);
    // The line's runs in visual order; returns the line's width. An unknown direction is settled by
    // the line's first strong character.
    float Lay(std::u32string_view text, Direction& direction, std::vector<ShapedRun>& runs);

private:
    struct Item {
        std::size_t start = 0;
        std::size_t length = 0;
        std::int32_t font = 0;
        unsigned script = 0;
        int level = 0;
    };

    // A glyph as HarfBuzz placed it, in font units.
    struct Glyph {
        std::uint32_t index = 0;
        std::uint32_t cluster = 0; // the first character it stands for
        std::int32_t advance = 0;
        std::int32_t xOffset = 0;
        std::int32_t yOffset = 0;
    };

    void Itemize(std::u32string_view text, Direction& direction);
    void ShapePiece(std::u32string_view piece, const Item& item, std::vector<Glyph>& out);
    std::int32_t ClusterFontAt(std::u32string_view text, std::size_t start);
    // While itemizing: the first character after a stretch of neutrals, with its font and script.
    struct Lookahead {
        std::size_t at = 0;
        std::int32_t font = 0;
        unsigned script = 0;
    };
    bool KeepsFont(std::u32string_view text, std::size_t at, std::int32_t font, Lookahead& next);
    void ResolveLevels(std::u32string_view text, Direction& direction);
    void Shape(std::u32string_view text, const Item& item);
    void AddRun(std::u32string_view text, const Item& item, float& pen, std::vector<ShapedRun>& runs);
    std::vector<std::size_t> VisualOrder() const;

    FontSet& m_fonts;
    hb_buffer_t* m_buffer;
    std::vector<std::uint32_t> m_types;
    std::vector<std::uint32_t> m_brackets;
    std::vector<std::int8_t> m_levels;
    std::vector<Item> m_items;
    std::vector<Glyph> m_glyphs;    // the last shaped item's glyphs, in visual order
    std::vector<unsigned> m_starts; // the cluster starts of the last shaped item, ascending
    std::u32string m_key;
    std::unordered_map<std::u32string, std::vector<Glyph>> m_cache; // shaped words by font, script, direction
};

} // namespace pf::textprint

#pragma once

// The fonts the text printer sets text in: a monospace face for Latin, Greek and Cyrillic text and the
// symbols, then fallback faces chosen through fontconfig for the characters it lacks (Noto faces first),
// each loaded from its font file only when a character first needs it.

#include "jobformat.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct hb_font_t;

namespace pf::textprint {

// Where one character is drawn from: a font of the set, the glyph and its advance in points. A simple
// character is drawn as that one glyph, left to right; any other goes through the shaper.
struct GlyphInfo {
    std::int32_t font = -1; // -1 until looked up
    std::uint32_t index = 0;
    float advance = 0;
    bool simple = false;
};

// A font file a set may use, by its usual path and, where that is missing, by family name.
struct FontChoice {
    std::string path;
    std::uint32_t faceIndex = 0;
    std::string family;
};

// Whether a character needs no shaping: it is drawn as one glyph, left to right, joins nothing and
// carries no marks (Latin, Greek, Cyrillic, punctuation, symbols, CJK ideographs, kana, Hangul).
bool IsSimpleCharacter(char32_t ch);
// Whether a character belongs to the cluster before it (combining marks, joiners, variation selectors).
bool ContinuesCluster(char32_t ch);

// The fonts of one document at one size. A character no font has is drawn as the first font's
// missing-glyph box, and the set tells its owner about it once.
class FontSet {
public:
    // Loads the first choice (or the first that exists); throws std::runtime_error when none can be.
    FontSet(std::vector<FontChoice> choices, float size);
    ~FontSet();
    FontSet(const FontSet&) = delete;
    FontSet& operator=(const FontSet&) = delete;

    // The standard set: DejaVu Sans Mono, then the system's fonts by fontconfig, then DejaVu Sans and
    // WenQuanYi Micro Hei as a last resort.
    static std::vector<FontChoice> StandardChoices();

    const GlyphInfo& Lookup(char32_t ch);
    // The font for a cluster (a character and the marks it carries): its first character's font when
    // that has every character of it, else the first font, loaded or on the system, that has them all.
    std::int32_t ClusterFont(std::u32string_view cluster);
    // Called once for each character that no installed font has.
    void OnMissing(std::function<void(char32_t)> report) { m_onMissing = std::move(report); }

    // The shaping engine's view of a loaded font, its scale set to font units.
    hb_font_t* ShapingFont(std::int32_t font) const;
    // Points per font unit of a loaded font at the set's size.
    double Scale(std::int32_t font) const;

    float Size() const { return m_size; }
    // Distance from the top of a line to its baseline, and from one baseline to the next.
    double Ascent() const { return m_ascent; }
    double LineHeight() const { return m_lineHeight; }

    // The fonts loaded so far, in order of their ids.
    const std::vector<printjob::Font>& Fonts() const { return m_loaded; }

private:
    struct Face;

    bool LoadChoice(const FontChoice& choice);
    bool LoadFile(const std::string& path, std::uint32_t faceIndex);
    bool IsLoaded(const std::string& path, std::uint32_t faceIndex) const;
    GlyphInfo Resolve(char32_t ch);
    GlyphInfo FromFace(std::size_t font, std::uint32_t index, char32_t ch) const;
    bool LoadSystemFontFor(std::u32string_view cluster);
    bool Covers(std::size_t font, std::u32string_view cluster) const;
    // Loads the next font that may have the character; false when there is none left to try.
    bool LoadNextFor(char32_t ch);

    std::vector<FontChoice> m_choices;
    std::size_t m_nextChoice = 0;
    float m_size;
    double m_ascent = 0;
    double m_lineHeight = 0;
    std::vector<std::unique_ptr<Face>> m_faces;
    std::vector<printjob::Font> m_loaded;
    bool StartFontconfig();

    bool m_fontconfig = false;
    struct SystemFonts;
    std::unique_ptr<SystemFonts> m_systemFonts; // every regular face, sorted once when first needed
    std::size_t m_systemFontsLoaded = 0;
    std::vector<GlyphInfo> m_basic; // the Basic Multilingual Plane, filled as characters come
    std::unordered_map<char32_t, GlyphInfo> m_other;
    std::function<void(char32_t)> m_onMissing;
};

} // namespace pf::textprint

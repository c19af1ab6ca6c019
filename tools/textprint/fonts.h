#pragma once

// The fonts the text printer sets text in: a monospace face first, then fallback faces for the
// characters it lacks, each loaded from its font file only when a character first needs it.

#include "jobformat.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

struct FT_LibraryRec_;

namespace pf::textprint {

// Where one character is drawn from: a font of the set, the glyph and its advance in points.
struct GlyphInfo {
    std::int32_t font = -1; // -1 until looked up
    std::uint32_t index = 0;
    float advance = 0;
};

// A font file a set may use, by its usual path and, where that is missing, by family name.
struct FontChoice {
    std::string path;
    std::uint32_t faceIndex = 0;
    std::string family;
};

// The fonts of one document at one size. Characters no font has are drawn as the first font's
// missing-glyph box.
class FontSet {
public:
    // Loads the first choice (or the first that exists); throws std::runtime_error when none can be.
    FontSet(std::vector<FontChoice> choices, float size);
    ~FontSet();
    FontSet(const FontSet&) = delete;
    FontSet& operator=(const FontSet&) = delete;

    // The standard set: DejaVu Sans Mono, then DejaVu Sans, then WenQuanYi Micro Hei, then whatever
    // font the system has for a character.
    static std::vector<FontChoice> StandardChoices();

    const GlyphInfo& Lookup(char32_t ch);

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
    GlyphInfo Resolve(char32_t ch);
    GlyphInfo FromFace(std::size_t font, std::uint32_t index) const;
    bool LoadSystemFontFor(char32_t ch);
    // Loads the next font that may have the character; false when there is none left to try.
    bool LoadNextFor(char32_t ch);

    std::vector<FontChoice> m_choices;
    std::size_t m_nextChoice = 0;
    float m_size;
    double m_ascent = 0;
    double m_lineHeight = 0;
    FT_LibraryRec_* m_library = nullptr;
    std::vector<std::unique_ptr<Face>> m_faces;
    std::vector<printjob::Font> m_loaded;
    std::vector<GlyphInfo> m_basic; // the Basic Multilingual Plane, filled as characters come
    std::unordered_map<char32_t, GlyphInfo> m_other;
};

} // namespace pf::textprint

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct hb_blob_t;
struct hb_face_t;
struct hb_font_t;

namespace pf::pdfwriter {

// Font-wide values in the font's own units.
struct FontMetrics {
    int unitsPerEm = 1000;
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    int ascender = 0;
    int descender = 0;
    int capHeight = 0;
    double italicAngle = 0;
    bool fixedPitch = false;
    bool cff = false; // PostScript (CFF) outlines rather than TrueType ones
    std::string postScriptName;
};

// A TrueType or OpenType font file (or one face of a collection) read for embedding in a PDF: its
// metrics, the advance of every glyph, and a subset made by HarfBuzz that keeps only the glyphs a
// document uses (glyph numbers stay the same, so the PDF can name glyphs by their number in the original
// font).
class FontFile {
public:
    // Maps the file; null with a reason when it is no usable font.
    static std::unique_ptr<FontFile> Open(const std::string& path, std::uint32_t faceIndex,
                                          std::string& error);
    ~FontFile();
    FontFile(const FontFile&) = delete;
    FontFile& operator=(const FontFile&) = delete;

    const FontMetrics& Metrics() const { return m_metrics; }
    std::uint32_t GlyphCount() const { return m_glyphCount; }
    // Advance width of a glyph in font units.
    int Advance(std::uint32_t glyph) const;

    // A font file holding the glyphs marked in the list (and the glyphs they are built from, and glyph 0
    // with its outline, the missing-glyph box); empty when the subsetter fails.
    std::string Subset(const std::vector<bool>& glyphs) const;

private:
    FontFile() = default;
    void ReadMetrics();

    hb_blob_t* m_blob = nullptr;
    hb_face_t* m_face = nullptr;
    hb_font_t* m_font = nullptr;
    std::uint32_t m_glyphCount = 0;
    FontMetrics m_metrics;
};

} // namespace pf::pdfwriter

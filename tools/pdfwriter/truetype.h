#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
    std::string postScriptName;
};

// A TrueType font file (or one face of a collection) read for embedding in a PDF: its metrics, the
// advance of every glyph, and a subset that keeps only the glyphs a document uses (glyph numbers stay
// the same, so the PDF can name glyphs by their number in the original font).
class TrueTypeFont {
public:
    // Maps the file and reads its tables; null with a reason when it is no usable TrueType font.
    static std::unique_ptr<TrueTypeFont> Open(const std::string& path, std::uint32_t faceIndex,
                                              std::string& error);
    ~TrueTypeFont();
    TrueTypeFont(const TrueTypeFont&) = delete;
    TrueTypeFont& operator=(const TrueTypeFont&) = delete;

    const FontMetrics& Metrics() const { return m_metrics; }
    std::uint32_t GlyphCount() const { return m_glyphCount; }
    // Advance width of a glyph in font units.
    int Advance(std::uint32_t glyph) const;

    // A font file holding the glyphs marked in the list (and the glyphs they are built from, and glyph 0).
    std::string Subset(const std::vector<bool>& glyphs) const;

private:
    TrueTypeFont() = default;
    bool ReadTables(std::uint32_t faceIndex, std::string& error);
    void ReadMetrics();
    std::string_view Table(const char* tag) const;
    std::string_view GlyphData(std::uint32_t glyph) const;
    // The glyphs marked, glyph 0, and every glyph a composite one among them is built from.
    std::vector<bool> GlyphsToKeep(const std::vector<bool>& glyphs) const;

    const unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
    std::uint32_t m_directory = 0;
    std::uint16_t m_tableCount = 0;
    std::uint32_t m_glyphCount = 0;
    std::uint16_t m_metricCount = 0;
    bool m_longLoca = false;
    std::string_view m_hmtx;
    std::string_view m_loca;
    std::string_view m_glyf;
    FontMetrics m_metrics;
};

} // namespace pf::pdfwriter

#pragma once

#include "fontfile.h"
#include "jobformat.h"

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>
#include <zlib.h>

namespace pf::pdfwriter {

// One deflate stream used for many PDF streams in turn, so compressing a page costs no allocations.
class Deflater {
public:
    explicit Deflater(int level);
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // The compressed data; empty when compression failed (a data error the file check then reports).
    const std::string& Compress(const std::string& data);

private:
    z_stream m_stream{};
    bool m_ready = false;
    std::string m_out;
};

// Writes the pages of a print job as a PDF file while they arrive: each page's text goes out as soon
// as the page ends, so a job of any length needs about one page in memory. The glyphs are shown by
// their number in the font, with a map back to the characters so the text can be searched and copied;
// the fonts are embedded at the end as subsets holding only the glyphs used. Shaped text (clusters of
// glyphs, right-to-left runs) carries its characters in reading order as marked-content spans.
class PdfDocument : public printjob::JobHandler {
public:
    // Writes to an open file; title goes into the document information.
    PdfDocument(std::FILE* out, std::string title);

    bool OnFont(const printjob::Font& font) override;
    bool OnBeginPage(double width, double height) override;
    bool OnRun(const printjob::Run& run) override;
    bool OnEndPage() override;

    // Completes the PDF; "" when it was written whole, else why not.
    std::string Finish();
    // Why the last record was refused ("" when none was).
    const std::string& Error() const { return m_error; }

private:
    struct Font {
        std::unique_ptr<FontFile> file;
        int object = 0;              // the first of its five objects
        std::vector<char32_t> chars; // the character each glyph stood for first, 0 when none
        std::unordered_map<std::uint32_t, std::u32string> texts; // or the characters, for a ligature
        std::vector<bool> used;                                  // the glyphs the document shows
        std::vector<float> widths; // advance per glyph in thousandths of the size, -1 until looked up
    };
    // A cluster of the shaped run being shown: where its characters and glyphs start, whether it is a
    // space between words, and whether it goes into a span that carries its text.
    struct ShownCluster {
        std::uint32_t text = 0;
        std::uint32_t glyph = 0;
        bool space = false;
        bool spanned = false;
    };

    void Write(std::string_view data);
    int Reserve();
    void BeginObject(int object);
    void WriteStream(int object, const std::string& dictionary, const std::string& data);
    float Width(Font& font, std::uint32_t glyph);
    void ShowGlyphs(Font& font, const printjob::Run& run);
    void ShowShaped(Font& font, const printjob::Run& run);
    std::u32string ReadingText(const printjob::Run& run, bool turnedAround, std::size_t first,
                               std::size_t last) const;
    void CloseTextArray();
    void ShowGlyph(Font& font, const printjob::Glyph& glyph, float size, float& pen);
    void BeginActualText(std::u32string_view text);
    void EndActualText();
    static bool MapsTo(Font& font, std::uint32_t glyph, std::u32string_view text);
    void WriteFont(Font& font);
    void WriteWidths(int object, const std::string& name, Font& font);
    void WriteToUnicode(int object, const Font& font);

    std::FILE* m_out;
    std::string m_title;
    std::string m_error;
    bool m_writeFailed = false;
    std::uint64_t m_position = 0;
    std::vector<std::uint64_t> m_offsets{0};
    std::vector<int> m_pages;
    std::map<std::uint32_t, Font> m_fonts;
    std::string m_content;
    std::vector<ShownCluster> m_clusters;
    Deflater m_pageDeflater{Z_BEST_SPEED};
    Deflater m_fontDeflater{Z_DEFAULT_COMPRESSION};
    double m_pageHeight = 0;
    std::uint32_t m_currentFont = 0;
    float m_currentSize = 0;
};

} // namespace pf::pdfwriter

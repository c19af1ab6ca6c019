#include "pdfdocument.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <ctime>
#include <zlib.h>

namespace pf::pdfwriter {

namespace {

constexpr int kCatalog = 1;
constexpr int kPageTree = 2;
constexpr int kResources = 3;
constexpr int kInfo = 4;
constexpr float kSlack = 0.005f; // points a glyph may sit off its natural place without a correction

void AppendNumber(std::string& out, double value) {
    std::array<char, 32> buffer{};
    auto [end, ec] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 3);
    while (end[-1] == '0') {
        --end;
    }
    if (end[-1] == '.') {
        --end;
    }
    const std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    out += text == "-0" ? "0" : text;
}

std::string Number(double value) {
    std::string out;
    AppendNumber(out, value);
    return out;
}

// A glyph number as two bytes of a literal string; the bytes a string reader would take for syntax
// or a line end are escaped.
void AppendGlyph(std::string& out, std::uint32_t glyph) {
    for (const auto byte : {static_cast<char>(glyph >> 8), static_cast<char>(glyph & 0xFF)}) {
        switch (byte) {
        case '(':
            out += "\\(";
            break;
        case ')':
            out += "\\)";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += byte;
        }
    }
}

void AppendHex(std::string& out, std::uint32_t value, int digits) {
    constexpr const char* kHex = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
        out += kHex[(value >> shift) & 0xF];
    }
}

// A character as UTF-16BE hex digits.
void AppendUtf16Hex(std::string& out, char32_t ch) {
    if (ch >= 0x10000) {
        AppendHex(out, 0xD800 + ((ch - 0x10000) >> 10), 4);
        AppendHex(out, 0xDC00 + ((ch - 0x10000) & 0x3FF), 4);
    } else {
        AppendHex(out, ch, 4);
    }
}

// Characters a PDF text string cannot carry stand as the replacement character.
char32_t TextChar(char32_t ch) {
    return (ch >= 0xD800 && ch <= 0xDFFF) || ch > 0x10FFFF || ch == 0 ? 0xFFFD : ch;
}

// The characters of a UTF-8 text (a file name); a byte that starts no valid sequence stands as U+FFFD.
std::u32string DecodeUtf8(std::string_view text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        char32_t ch = length == 1 ? lead : lead & (0x7F >> length);
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            ch = (ch << 6) | (next & 0x3F);
        }
        const bool shortest = ch >= (length == 4 ? 0x10000u : length == 3 ? 0x800u : 0u);
        out += valid && shortest ? ch : 0xFFFD;
        i += valid ? static_cast<std::size_t>(length) : 1;
    }
    return out;
}

// Six capital letters naming a subset, as PDF readers expect before a subset font's name.
std::string SubsetTag(const std::vector<bool>& used) {
    std::uint32_t hash = 2166136261u;
    for (std::size_t glyph = 0; glyph < used.size(); ++glyph) {
        if (used[glyph]) {
            hash = (hash ^ static_cast<std::uint32_t>(glyph)) * 16777619u;
        }
    }
    std::string tag;
    for (int i = 0; i < 6; ++i, hash /= 26) {
        tag += static_cast<char>('A' + hash % 26);
    }
    return tag;
}

// Whether text extractors turn this right-to-left text around by themselves: they know the direction of
// the right-to-left letters of the Basic Multilingual Plane (Hebrew, Arabic, Syriac, Thaana, N'Ko) but
// take the letters beyond it (Adlam, Hanifi Rohingya, Mende Kikakui) for left-to-right ones.
bool ReadersTurnAround(std::u32string_view text) {
    return std::any_of(text.begin(), text.end(), [](char32_t ch) {
        return (ch >= 0x0590 && ch <= 0x08FF) || (ch >= 0xFB1D && ch <= 0xFDFF) ||
               (ch >= 0xFE70 && ch <= 0xFEFE);
    });
}

} // namespace

Deflater::Deflater(int level) {
    m_ready = deflateInit(&m_stream, level) == Z_OK;
}

Deflater::~Deflater() {
    if (m_ready) {
        deflateEnd(&m_stream);
    }
}

const std::string& Deflater::Compress(const std::string& data) {
    m_out.resize(deflateBound(&m_stream, static_cast<uLong>(data.size())));
    deflateReset(&m_stream);
    m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    m_stream.avail_in = static_cast<uInt>(data.size());
    m_stream.next_out = reinterpret_cast<Bytef*>(m_out.data());
    m_stream.avail_out = static_cast<uInt>(m_out.size());
    const bool done = m_ready && deflate(&m_stream, Z_FINISH) == Z_STREAM_END;
    m_out.resize(done ? m_stream.total_out : 0);
    return m_out;
}

PdfDocument::PdfDocument(std::FILE* out, std::string title) : m_out(out), m_title(std::move(title)) {
    Write("%PDF-1.6\n%\xE2\xE3\xCF\xD3\n"); // 1.6: fonts with CFF outlines go in as OpenType
    for (int object = kCatalog; object <= kInfo; ++object) {
        Reserve();
    }
}

void PdfDocument::Write(std::string_view data) {
    if (std::fwrite(data.data(), 1, data.size(), m_out) != data.size()) {
        m_writeFailed = true;
    }
    m_position += data.size();
}

int PdfDocument::Reserve() {
    m_offsets.push_back(0);
    return static_cast<int>(m_offsets.size() - 1);
}

void PdfDocument::BeginObject(int object) {
    m_offsets[static_cast<std::size_t>(object)] = m_position;
    Write(std::to_string(object) + " 0 obj\n");
}

void PdfDocument::WriteStream(int object, const std::string& dictionary, const std::string& data) {
    m_writeFailed = m_writeFailed || data.empty(); // deflate never makes nothing of something
    BeginObject(object);
    Write("<< /Length " + std::to_string(data.size()) + " /Filter /FlateDecode" + dictionary +
          " >>\nstream\n");
    Write(data);
    Write("\nendstream\nendobj\n");
}

bool PdfDocument::OnFont(const printjob::Font& font) {
    if (m_fonts.contains(font.id)) {
        m_error = "the print job names a font twice";
        return false;
    }
    Font entry;
    entry.file = FontFile::Open(font.path, font.faceIndex, m_error);
    if (!entry.file) {
        return false;
    }
    entry.object = Reserve();
    for (int i = 1; i < 5; ++i) {
        Reserve();
    }
    entry.chars.assign(entry.file->GlyphCount(), 0);
    entry.used.assign(entry.file->GlyphCount(), false);
    entry.widths.assign(entry.file->GlyphCount(), -1);
    m_fonts.emplace(font.id, std::move(entry));
    return true;
}

bool PdfDocument::OnBeginPage(double width, double height) {
    m_pages.push_back(Reserve());
    m_pageHeight = height;
    m_content = "BT\n";
    m_currentSize = 0;
    BeginObject(m_pages.back());
    Write("<< /Type /Page /Parent 2 0 R /Resources 3 0 R /MediaBox [0 0 " + Number(width) + " " +
          Number(height) + "] /Contents " + std::to_string(m_pages.back() + 1) + " 0 R >>\nendobj\n");
    Reserve(); // the page's content, written when the page ends
    return !m_writeFailed;
}

float PdfDocument::Width(Font& font, std::uint32_t glyph) {
    float& width = font.widths[glyph];
    if (width < 0) {
        width = static_cast<float>(font.file->Advance(glyph) * 1000.0 / font.file->Metrics().unitsPerEm);
    }
    return width;
}

bool PdfDocument::OnRun(const printjob::Run& run) {
    const auto found = m_fonts.find(run.font);
    if (found == m_fonts.end() || !(run.size > 0 && run.size < 10000)) {
        m_error = "the print job is damaged";
        return false;
    }
    if (run.glyphs.empty()) {
        return true;
    }
    for (const auto& glyph : run.glyphs) {
        if (glyph.index >= found->second.file->GlyphCount()) {
            m_error = "the print job names a glyph its font does not have";
            return false;
        }
    }
    if (run.font != m_currentFont || run.size != m_currentSize) {
        m_content += "/F" + std::to_string(run.font) + " " + Number(run.size) + " Tf\n";
        m_currentFont = run.font;
        m_currentSize = run.size;
    }
    m_content += "1 0 0 1 ";
    AppendNumber(m_content, run.glyphs.front().x);
    m_content += ' ';
    AppendNumber(m_content, m_pageHeight - run.y);
    m_content += " Tm\n";
    if (run.shaped) {
        ShowShaped(found->second, run);
    } else {
        ShowGlyphs(found->second, run);
    }
    return true;
}

// One glyph at its place in the open TJ array: where the job places it off the pen, the array carries
// the correction.
void PdfDocument::ShowGlyph(Font& font, const printjob::Glyph& glyph, float size, float& pen) {
    const float shift = pen - glyph.x;
    if (std::fabs(shift) > kSlack) {
        m_content += ')';
        AppendNumber(m_content, shift * 1000 / size);
        m_content += '(';
    }
    font.used[glyph.index] = true;
    AppendGlyph(m_content, glyph.index);
    pen = glyph.x + Width(font, glyph.index) * size / 1000;
}

// Whether the font's character map can give a glyph this text: it does already, or the glyph has none
// yet and now gets it.
bool PdfDocument::MapsTo(Font& font, std::uint32_t glyph, std::u32string_view text) {
    if (text.size() == 1) {
        const char32_t ch = TextChar(text[0]);
        char32_t& known = font.chars[glyph];
        const bool fits = (known == 0 || known == ch) && !font.texts.contains(glyph);
        known = fits ? ch : known;
        return fits;
    }
    if (text.empty() || font.chars[glyph] != 0) {
        return false;
    }
    const auto [entry, added] = font.texts.emplace(glyph, text);
    return added || entry->second == text;
}

// Ends the open TJ array and opens a span whose text stands for the glyphs shown in it, with a TJ array
// for them.
void PdfDocument::BeginActualText(std::u32string_view text) {
    CloseTextArray();
    m_content += "/Span << /ActualText <FEFF";
    for (const char32_t ch : text) {
        AppendUtf16Hex(m_content, TextChar(ch));
    }
    m_content += "> >> BDC\n[(";
}

// Ends the span's TJ array and the span, and opens the TJ array that follows it.
void PdfDocument::EndActualText() {
    CloseTextArray();
    m_content += "EMC\n[(";
}

// Ends the open TJ array; one with nothing in it is left out.
void PdfDocument::CloseTextArray() {
    if (m_content.ends_with("[(")) {
        m_content.resize(m_content.size() - 2);
    } else {
        m_content += ")] TJ\n";
    }
}

// Glyphs follow one another by their widths. A glyph that stood for another character before carries
// its own text along.
void PdfDocument::ShowGlyphs(Font& font, const printjob::Run& run) {
    float pen = run.glyphs.front().x;
    m_content += "[(";
    for (const auto& glyph : run.glyphs) {
        const char32_t ch = TextChar(glyph.ch);
        char32_t& known = font.chars[glyph.index];
        if (known == 0 || known == ch) {
            known = ch;
            ShowGlyph(font, glyph, run.size, pen);
        } else {
            BeginActualText(std::u32string_view(&ch, 1));
            ShowGlyph(font, glyph, run.size, pen);
            EndActualText();
        }
    }
    CloseTextArray();
}

// The characters of the clusters [first, last) of a shaped run in the order that text extractors, which
// read a page's glyphs left to right and turn around the right-to-left stretches they know, give back as
// typed.
std::u32string PdfDocument::ReadingText(const printjob::Run& run, bool turnedAround, std::size_t first,
                                        std::size_t last) const {
    const auto text = [&](std::size_t cluster) {
        return std::u32string_view(run.text).substr(m_clusters[cluster].text,
                                                    m_clusters[cluster + 1].text - m_clusters[cluster].text);
    };
    std::u32string out;
    for (std::size_t i = first; i < last; ++i) {
        if (!run.rightToLeft) {
            out += text(i); // the clusters in visual order are the typing order
        } else if (turnedAround) {
            const std::u32string_view chars = text(i); // readers turn the whole stretch around
            out.append(chars.rbegin(), chars.rend());
        } else {
            // Readers keep the visual order, so the clusters go in typing order, the visual one reversed.
            out += text(first + last - 1 - i);
        }
    }
    return out;
}

// A shaped run. Its one-glyph clusters map through the font's character map like plain text. Readers
// that go by the glyphs alone guess words from their places, and a mark placed by an offset or raised
// off the baseline cuts a word there; so each word with any other cluster (marks, ligatures, Indic
// syllables, raised glyphs) is a span carrying its text in the order readers give it back. A
// right-to-left run whose letters readers do not turn around is one span, so that its words come back
// in typing order too.
void PdfDocument::ShowShaped(Font& font, const printjob::Run& run) {
    const bool turnedAround = run.rightToLeft && ReadersTurnAround(run.text);
    const bool whole = run.rightToLeft && !turnedAround;
    m_clusters.clear();
    std::uint32_t glyph = 0;
    std::uint32_t offset = 0;
    for (const printjob::Cluster& cluster : run.clusters) {
        const std::u32string_view text = std::u32string_view(run.text).substr(offset, cluster.chars);
        // A right-to-left ligature's characters go into the character map right to left, as readers
        // turn them around.
        const std::u32string shown =
            run.rightToLeft ? std::u32string(text.rbegin(), text.rend()) : std::u32string(text);
        const bool mapped = cluster.glyphs == 1 && MapsTo(font, run.glyphs[glyph].index, shown);
        m_clusters.push_back({offset, glyph, text == U" ", whole || !mapped || run.rise[glyph] != 0});
        glyph += cluster.glyphs;
        offset += cluster.chars;
    }
    m_clusters.push_back({offset, glyph, true, false});
    // A word with one such cluster goes into a span whole. The closing entry counts as a space, so every
    // word ends at one.
    const std::size_t count = run.clusters.size();
    for (std::size_t start = 0, end = 0; start < count; start = end + 1) {
        bool spanned = false;
        for (end = start; !m_clusters[end].space; ++end) {
            spanned = spanned || m_clusters[end].spanned;
        }
        for (std::size_t i = start; i < end; ++i) {
            m_clusters[i].spanned = spanned;
        }
    }
    float pen = run.glyphs.front().x;
    float rise = 0;
    m_content += "[(";
    for (std::size_t first = 0, last = 0; first < count; first = last) {
        const bool spanned = m_clusters[first].spanned;
        for (last = first + 1; last < count && m_clusters[last].spanned == spanned;) {
            ++last;
        }
        if (spanned) {
            BeginActualText(ReadingText(run, turnedAround, first, last));
        }
        for (std::size_t i = m_clusters[first].glyph; i < m_clusters[last].glyph; ++i) {
            if (run.rise[i] != rise) {
                rise = run.rise[i];
                CloseTextArray();
                AppendNumber(m_content, rise);
                m_content += " Ts [(";
            }
            ShowGlyph(font, run.glyphs[i], run.size, pen);
        }
        if (spanned) {
            EndActualText();
        }
    }
    CloseTextArray();
    if (rise != 0) {
        m_content += "0 Ts\n";
    }
}

bool PdfDocument::OnEndPage() {
    m_content += "ET\n";
    WriteStream(m_pages.back() + 1, "", m_pageDeflater.Compress(m_content));
    m_content.clear();
    return !m_writeFailed;
}

std::string PdfDocument::Finish() {
    if (m_pages.empty()) {
        OnBeginPage(595.2756, 841.8898);
        OnEndPage();
    }
    std::string fonts;
    for (auto& [id, font] : m_fonts) {
        WriteFont(font);
        fonts += " /F" + std::to_string(id) + " " + std::to_string(font.object) + " 0 R";
    }
    BeginObject(kResources);
    Write("<< /ProcSet [/PDF /Text] /Font <<" + fonts + " >> >>\nendobj\n");
    BeginObject(kPageTree);
    Write("<< /Type /Pages /Count " + std::to_string(m_pages.size()) + " /Kids [");
    for (const int page : m_pages) {
        Write(std::to_string(page) + " 0 R ");
    }
    Write("] >>\nendobj\n");
    std::string title;
    for (const char32_t ch : DecodeUtf8(m_title)) {
        AppendUtf16Hex(title, TextChar(ch));
    }
    std::array<char, 32> date{};
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    std::strftime(date.data(), date.size(), "D:%Y%m%d%H%M%SZ", &utc);
    BeginObject(kInfo);
    Write("<< /Title <FEFF" + title +
          "> /Creator (Tarnwicke PDF Writer) /Producer (Tarnwicke PDF Writer) /CreationDate (" + date.data() +
          ") >>\nendobj\n");
    BeginObject(kCatalog);
    Write("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");

    const std::uint64_t xref = m_position;
    Write("xref\n0 " + std::to_string(m_offsets.size()) + "\n0000000000 65535 f \n");
    for (std::size_t object = 1; object < m_offsets.size(); ++object) {
        std::array<char, 24> entry{};
        std::snprintf(entry.data(), entry.size(), "%010llu 00000 n \n",
                      static_cast<unsigned long long>(m_offsets[object]));
        Write(entry.data());
    }
    Write("trailer\n<< /Size " + std::to_string(m_offsets.size()) +
          " /Root 1 0 R /Info 4 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
    if (m_writeFailed) {
        return m_error.empty() ? "the PDF file could not be written completely" : m_error;
    }
    return {};
}

void PdfDocument::WriteFont(Font& font) {
    const FontMetrics& metrics = font.file->Metrics();
    const double scale = 1000.0 / metrics.unitsPerEm;
    const std::string name = "/" + SubsetTag(font.used) + "+" + metrics.postScriptName;
    const int type0 = font.object;
    const int cidFont = font.object + 1;
    const int descriptor = font.object + 2;
    const int file = font.object + 3;
    const int toUnicode = font.object + 4;
    BeginObject(type0);
    Write("<< /Type /Font /Subtype /Type0 /BaseFont " + name + " /Encoding /Identity-H /DescendantFonts [" +
          std::to_string(cidFont) + " 0 R] /ToUnicode " + std::to_string(toUnicode) + " 0 R >>\nendobj\n");
    WriteWidths(cidFont, name, font);
    BeginObject(descriptor);
    Write("<< /Type /FontDescriptor /FontName " + name + " /Flags " +
          std::to_string(metrics.fixedPitch ? 5 : 4) + " /FontBBox [" + Number(metrics.xMin * scale) + " " +
          Number(metrics.yMin * scale) + " " + Number(metrics.xMax * scale) + " " +
          Number(metrics.yMax * scale) + "] /ItalicAngle " + Number(metrics.italicAngle) + " /Ascent " +
          Number(metrics.ascender * scale) + " /Descent " + Number(metrics.descender * scale) +
          " /CapHeight " + Number(metrics.capHeight * scale) + " /StemV 80 " +
          (metrics.cff ? "/FontFile3 " : "/FontFile2 ") + std::to_string(file) + " 0 R >>\nendobj\n");
    const std::string subset = font.file->Subset(font.used);
    if (subset.empty()) {
        m_error = "the font " + metrics.postScriptName + " could not be subset";
        m_writeFailed = true;
    }
    WriteStream(file, metrics.cff ? " /Subtype /OpenType" : " /Length1 " + std::to_string(subset.size()),
                m_fontDeflater.Compress(subset));
    WriteToUnicode(toUnicode, font);
}

void PdfDocument::WriteWidths(int object, const std::string& name, Font& font) {
    std::string widths;
    for (std::uint32_t glyph = 0; glyph < font.used.size(); ++glyph) {
        if (font.used[glyph]) {
            widths += std::to_string(glyph) + " [" + Number(Width(font, glyph)) + "] ";
        }
    }
    // Glyphs are named by their number: TrueType maps them straight through, CFF by its own glyph order.
    const bool cff = font.file->Metrics().cff;
    BeginObject(object);
    Write(std::string("<< /Type /Font /Subtype ") + (cff ? "/CIDFontType0" : "/CIDFontType2") +
          " /BaseFont " + name +
          " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor " +
          std::to_string(object + 1) + " 0 R" + (cff ? "" : " /CIDToGIDMap /Identity") + " /W [" + widths +
          "] >>\nendobj\n");
}

void PdfDocument::WriteToUnicode(int object, const Font& font) {
    std::string map = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    std::vector<std::uint32_t> glyphs;
    for (std::uint32_t glyph = 0; glyph < font.chars.size(); ++glyph) {
        if (font.chars[glyph] != 0 || font.texts.contains(glyph)) {
            glyphs.push_back(glyph);
        }
    }
    for (std::size_t start = 0; start < glyphs.size(); start += 100) {
        const std::size_t end = std::min(glyphs.size(), start + 100);
        map += std::to_string(end - start) + " beginbfchar\n";
        for (std::size_t i = start; i < end; ++i) {
            map += '<';
            AppendHex(map, glyphs[i], 4);
            map += "> <";
            const auto text = font.texts.find(glyphs[i]);
            if (text == font.texts.end()) {
                AppendUtf16Hex(map, font.chars[glyphs[i]]);
            }
            for (const char32_t ch : text == font.texts.end() ? std::u32string() : text->second) {
                AppendUtf16Hex(map, TextChar(ch));
            }
            map += ">\n";
        }
        map += "endbfchar\n";
    }
    map += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    WriteStream(object, "", m_fontDeflater.Compress(map));
}

} // namespace pf::pdfwriter

#include "truetype.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pf::pdfwriter {

namespace {

// Big-endian reads that give 0 past the end of the data, so a damaged font cannot make us read outside it.
std::uint32_t U16(std::string_view data, std::size_t at) {
    if (at + 2 > data.size()) {
        return 0;
    }
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(data[at])) << 8) |
           static_cast<unsigned char>(data[at + 1]);
}

std::uint32_t U32(std::string_view data, std::size_t at) {
    return (U16(data, at) << 16) | U16(data, at + 2);
}

int S16(std::string_view data, std::size_t at) {
    return static_cast<std::int16_t>(U16(data, at));
}

void PutU16(std::string& out, std::uint32_t value) {
    out += static_cast<char>((value >> 8) & 0xFF);
    out += static_cast<char>(value & 0xFF);
}

void PutU32(std::string& out, std::uint32_t value) {
    PutU16(out, value >> 16);
    PutU16(out, value & 0xFFFF);
}

std::uint32_t Checksum(std::string_view data) {
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < data.size(); at += 4) {
        std::uint32_t word = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            word = (word << 8) | (at + i < data.size() ? static_cast<unsigned char>(data[at + i]) : 0u);
        }
        sum += word;
    }
    return sum;
}

// The glyphs a composite glyph is built from.
void AddComponents(std::string_view glyph, std::vector<std::uint32_t>& pending) {
    if (glyph.size() < 10 || S16(glyph, 0) >= 0) {
        return;
    }
    constexpr std::uint32_t kWords = 0x0001;
    constexpr std::uint32_t kScale = 0x0008;
    constexpr std::uint32_t kMore = 0x0020;
    constexpr std::uint32_t kXYScale = 0x0040;
    constexpr std::uint32_t kTwoByTwo = 0x0080;
    std::size_t at = 10;
    for (;;) {
        const std::uint32_t flags = U16(glyph, at);
        pending.push_back(U16(glyph, at + 2));
        at += 4 + ((flags & kWords) != 0 ? 4 : 2);
        at += (flags & kScale) != 0 ? 2 : (flags & kXYScale) != 0 ? 4 : (flags & kTwoByTwo) != 0 ? 8 : 0;
        if ((flags & kMore) == 0 || at >= glyph.size()) {
            return;
        }
    }
}

// The PostScript name (name id 6) from a Windows or Macintosh record, reduced to the characters a PDF
// name may hold plainly.
std::string PostScriptName(std::string_view name) {
    const std::uint32_t count = U16(name, 2);
    const std::uint32_t strings = U16(name, 4);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t record = 6 + 12 * static_cast<std::size_t>(i);
        const std::uint32_t platform = U16(name, record);
        if (U16(name, record + 6) != 6 || (platform != 1 && platform != 3)) {
            continue;
        }
        const std::size_t length = U16(name, record + 8);
        const std::size_t offset = strings + U16(name, record + 10);
        std::string result;
        for (std::size_t at = offset; at < offset + length && at < name.size(); at += platform == 3 ? 2 : 1) {
            const char c = name[platform == 3 ? std::min(at + 1, name.size() - 1) : at];
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                c == '_') {
                result += c;
            }
        }
        if (!result.empty()) {
            return result;
        }
    }
    return "Font";
}

// A font file of the given tables (in tag order; empty ones are left out).
std::string AssembleFont(std::vector<std::pair<std::string, std::string>> tables) {
    std::erase_if(tables, [](const auto& table) { return table.second.empty(); });
    const auto count = static_cast<std::uint32_t>(tables.size());
    std::uint32_t power = 1;
    std::uint32_t log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    std::string out;
    PutU32(out, 0x00010000);
    PutU16(out, count);
    PutU16(out, power * 16);
    PutU16(out, log2);
    PutU16(out, count * 16 - power * 16);
    std::size_t offset = 12 + 16 * tables.size();
    for (const auto& [tag, data] : tables) {
        out += tag;
        PutU32(out, Checksum(data));
        PutU32(out, static_cast<std::uint32_t>(offset));
        PutU32(out, static_cast<std::uint32_t>(data.size()));
        offset += (data.size() + 3) & ~std::size_t{3};
    }
    for (const auto& table : tables) {
        out += table.second;
        out.resize((out.size() + 3) & ~std::size_t{3}, '\0');
    }
    return out;
}

} // namespace

std::unique_ptr<TrueTypeFont> TrueTypeFont::Open(const std::string& path, std::uint32_t faceIndex,
                                                 std::string& error) {
    std::unique_ptr<TrueTypeFont> font(new TrueTypeFont);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_size < 12) {
        error = "cannot read the font " + path;
        if (fd >= 0) {
            ::close(fd);
        }
        return nullptr;
    }
    void* data = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (data == MAP_FAILED) {
        error = "cannot read the font " + path;
        return nullptr;
    }
    font->m_data = static_cast<const unsigned char*>(data);
    font->m_size = static_cast<std::size_t>(st.st_size);
    if (!font->ReadTables(faceIndex, error)) {
        error = "the font " + path + " " + error;
        return nullptr;
    }
    font->ReadMetrics();
    return font;
}

TrueTypeFont::~TrueTypeFont() {
    if (m_data != nullptr) {
        ::munmap(const_cast<unsigned char*>(m_data), m_size);
    }
}

bool TrueTypeFont::ReadTables(std::uint32_t faceIndex, std::string& error) {
    const std::string_view file(reinterpret_cast<const char*>(m_data), m_size);
    if (file.substr(0, 4) == "ttcf") {
        if (faceIndex >= U32(file, 8)) {
            error = "has no face " + std::to_string(faceIndex);
            return false;
        }
        m_directory = U32(file, 12 + 4 * static_cast<std::size_t>(faceIndex));
    }
    const std::uint32_t version = U32(file, m_directory);
    m_tableCount = static_cast<std::uint16_t>(U16(file, m_directory + 4));
    if (version != 0x00010000 && file.substr(m_directory, 4) != "true") {
        error = "has no TrueType outlines";
        return false;
    }
    const std::string_view head = Table("head");
    const std::string_view maxp = Table("maxp");
    const std::string_view hhea = Table("hhea");
    if (head.size() < 54 || maxp.size() < 6 || hhea.size() < 36 || Table("glyf").empty() ||
        Table("loca").empty() || Table("hmtx").empty()) {
        error = "lacks a table every TrueType font has";
        return false;
    }
    m_longLoca = S16(head, 50) == 1;
    m_hmtx = Table("hmtx");
    m_loca = Table("loca");
    m_glyf = Table("glyf");
    m_glyphCount = U16(maxp, 4);
    m_metricCount = static_cast<std::uint16_t>(U16(hhea, 34));
    return m_glyphCount > 0 && m_metricCount > 0;
}

void TrueTypeFont::ReadMetrics() {
    const std::string_view head = Table("head");
    const std::string_view hhea = Table("hhea");
    const std::string_view post = Table("post");
    const std::string_view os2 = Table("OS/2");
    m_metrics.unitsPerEm = std::max<int>(16, static_cast<int>(U16(head, 18)));
    m_metrics.xMin = S16(head, 36);
    m_metrics.yMin = S16(head, 38);
    m_metrics.xMax = S16(head, 40);
    m_metrics.yMax = S16(head, 42);
    m_metrics.ascender = S16(hhea, 4);
    m_metrics.descender = S16(hhea, 6);
    m_metrics.capHeight = os2.size() >= 90 && U16(os2, 0) >= 2 ? S16(os2, 88) : m_metrics.ascender;
    m_metrics.italicAngle = static_cast<std::int32_t>(U32(post, 4)) / 65536.0;
    m_metrics.fixedPitch = U32(post, 12) != 0;
    m_metrics.postScriptName = PostScriptName(Table("name"));
}

std::string_view TrueTypeFont::Table(const char* tag) const {
    const std::string_view file(reinterpret_cast<const char*>(m_data), m_size);
    for (std::uint32_t i = 0; i < m_tableCount; ++i) {
        const std::size_t record = m_directory + 12 + 16 * static_cast<std::size_t>(i);
        if (file.substr(record, 4) == std::string_view(tag, 4)) {
            const std::size_t offset = U32(file, record + 8);
            const std::size_t length = U32(file, record + 12);
            return offset <= m_size && length <= m_size - offset ? file.substr(offset, length)
                                                                 : std::string_view();
        }
    }
    return {};
}

int TrueTypeFont::Advance(std::uint32_t glyph) const {
    const std::uint32_t metric = std::min<std::uint32_t>(glyph, m_metricCount - 1u);
    return static_cast<int>(U16(m_hmtx, 4 * static_cast<std::size_t>(metric)));
}

std::string_view TrueTypeFont::GlyphData(std::uint32_t glyph) const {
    const std::size_t at = glyph;
    const std::size_t start = m_longLoca ? U32(m_loca, 4 * at) : std::size_t{2} * U16(m_loca, 2 * at);
    const std::size_t end =
        m_longLoca ? U32(m_loca, 4 * (at + 1)) : std::size_t{2} * U16(m_loca, 2 * (at + 1));
    return start <= end && end <= m_glyf.size() ? m_glyf.substr(start, end - start) : std::string_view();
}

std::vector<bool> TrueTypeFont::GlyphsToKeep(const std::vector<bool>& glyphs) const {
    std::vector<bool> keep(m_glyphCount, false);
    std::vector<std::uint32_t> pending{0};
    for (std::uint32_t glyph = 0; glyph < glyphs.size(); ++glyph) {
        if (glyphs[glyph]) {
            pending.push_back(glyph);
        }
    }
    while (!pending.empty()) {
        const std::uint32_t glyph = pending.back();
        pending.pop_back();
        if (glyph < m_glyphCount && !keep[glyph]) {
            keep[glyph] = true;
            AddComponents(GlyphData(glyph), pending);
        }
    }
    return keep;
}

std::string TrueTypeFont::Subset(const std::vector<bool>& glyphs) const {
    const std::vector<bool> keep = GlyphsToKeep(glyphs);
    // Unused glyphs stay in place with no outline, so every glyph keeps its number.
    std::string glyf;
    std::string loca;
    for (std::uint32_t glyph = 0; glyph < m_glyphCount; ++glyph) {
        PutU32(loca, static_cast<std::uint32_t>(glyf.size()));
        if (keep[glyph]) {
            glyf += GlyphData(glyph);
            glyf.resize((glyf.size() + 3) & ~std::size_t{3}, '\0');
        }
    }
    PutU32(loca, static_cast<std::uint32_t>(glyf.size()));
    // Readers take the widths from the PDF: the metrics of dropped glyphs can go too.
    std::string hmtx(m_hmtx);
    for (std::uint32_t glyph = 0; glyph < m_glyphCount; ++glyph) {
        const bool full = glyph < m_metricCount;
        const std::size_t at =
            full ? 4 * static_cast<std::size_t>(glyph)
                 : 4 * static_cast<std::size_t>(m_metricCount) + 2 * std::size_t{glyph - m_metricCount};
        if (!keep[glyph] && at + (full ? 4 : 2) <= hmtx.size()) {
            std::memset(hmtx.data() + at, 0, full ? 4 : 2);
        }
    }
    std::string head(Table("head"));
    std::memset(head.data() + 8, 0, 4); // checkSumAdjustment, which no PDF reader checks
    head[50] = 0;
    head[51] = 1; // long loca offsets
    return AssembleFont({{"cvt ", std::string(Table("cvt "))},
                         {"fpgm", std::string(Table("fpgm"))},
                         {"glyf", glyf},
                         {"head", head},
                         {"hhea", std::string(Table("hhea"))},
                         {"hmtx", hmtx},
                         {"loca", loca},
                         {"maxp", std::string(Table("maxp"))},
                         {"prep", std::string(Table("prep"))}});
}

} // namespace pf::pdfwriter

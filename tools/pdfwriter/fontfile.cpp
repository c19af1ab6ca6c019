#include "fontfile.h"

#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

#include <array>

namespace pf::pdfwriter {

namespace {

// The tables a PDF viewer needs of an embedded font; shaping and colour tables are dropped.
constexpr std::array kDroppedTables = {
    HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'),
    HB_TAG('B', 'A', 'S', 'E'), HB_TAG('J', 'S', 'T', 'F'), HB_TAG('M', 'A', 'T', 'H'),
    HB_TAG('k', 'e', 'r', 'n'), HB_TAG('m', 'o', 'r', 'x'), HB_TAG('C', 'O', 'L', 'R'),
    HB_TAG('C', 'P', 'A', 'L'), HB_TAG('S', 'V', 'G', ' '), HB_TAG('s', 'b', 'i', 'x'),
    HB_TAG('C', 'B', 'D', 'T'), HB_TAG('C', 'B', 'L', 'C'), HB_TAG('E', 'B', 'D', 'T'),
    HB_TAG('E', 'B', 'L', 'C'), HB_TAG('V', 'O', 'R', 'G'), HB_TAG('v', 'h', 'e', 'a'),
    HB_TAG('v', 'm', 't', 'x'), HB_TAG('D', 'S', 'I', 'G'), HB_TAG('h', 'd', 'm', 'x'),
    HB_TAG('L', 'T', 'S', 'H'), HB_TAG('V', 'D', 'M', 'X'), HB_TAG('g', 'a', 's', 'p'),
};

// A big-endian number from a table; 0 past its end, so a damaged font cannot make us read outside it.
std::uint32_t Read(hb_face_t* face, hb_tag_t tag, unsigned offset, unsigned size) {
    hb_blob_t* blob = hb_face_reference_table(face, tag);
    unsigned length = 0;
    const char* data = hb_blob_get_data(blob, &length);
    std::uint32_t value = 0;
    for (unsigned i = 0; i < size && offset + size <= length; ++i) {
        value = (value << 8) | static_cast<unsigned char>(data[offset + i]);
    }
    hb_blob_destroy(blob);
    return value;
}

int Signed16(hb_face_t* face, hb_tag_t tag, unsigned offset) {
    return static_cast<std::int16_t>(Read(face, tag, offset, 2));
}

bool HasTable(hb_face_t* face, hb_tag_t tag) {
    hb_blob_t* blob = hb_face_reference_table(face, tag);
    const bool has = hb_blob_get_length(blob) > 0;
    hb_blob_destroy(blob);
    return has;
}

// The PostScript name, reduced to the characters a PDF name may hold plainly.
std::string PostScriptName(hb_face_t* face) {
    std::array<char, 128> buffer{};
    unsigned size = buffer.size();
    hb_ot_name_get_utf8(face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &size, buffer.data());
    std::string result;
    for (unsigned i = 0; i < size && buffer[i] != '\0'; ++i) {
        const char c = buffer[i];
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '_') {
            result += c;
        }
    }
    return result.empty() ? "Font" : result;
}

} // namespace

std::unique_ptr<FontFile> FontFile::Open(const std::string& path, std::uint32_t faceIndex,
                                         std::string& error) {
    std::unique_ptr<FontFile> font(new FontFile);
    font->m_blob = hb_blob_create_from_file_or_fail(path.c_str());
    if (font->m_blob == nullptr) {
        error = "cannot read the font " + path;
        return nullptr;
    }
    font->m_face = hb_face_create(font->m_blob, faceIndex);
    font->m_glyphCount = hb_face_get_glyph_count(font->m_face);
    const bool outlines = HasTable(font->m_face, HB_TAG('g', 'l', 'y', 'f')) ||
                          HasTable(font->m_face, HB_TAG('C', 'F', 'F', ' '));
    if (font->m_glyphCount == 0 || hb_face_get_upem(font->m_face) == 0 || !outlines) {
        error = "the font " + path + " has no TrueType or CFF outlines";
        return nullptr;
    }
    font->m_font = hb_font_create(font->m_face);
    const auto units = static_cast<int>(hb_face_get_upem(font->m_face));
    hb_font_set_scale(font->m_font, units, units);
    font->ReadMetrics();
    return font;
}

FontFile::~FontFile() {
    hb_font_destroy(m_font);
    hb_face_destroy(m_face);
    hb_blob_destroy(m_blob);
}

void FontFile::ReadMetrics() {
    constexpr hb_tag_t kHead = HB_TAG('h', 'e', 'a', 'd');
    constexpr hb_tag_t kPost = HB_TAG('p', 'o', 's', 't');
    m_metrics.unitsPerEm = static_cast<int>(hb_face_get_upem(m_face));
    m_metrics.xMin = Signed16(m_face, kHead, 36);
    m_metrics.yMin = Signed16(m_face, kHead, 38);
    m_metrics.xMax = Signed16(m_face, kHead, 40);
    m_metrics.yMax = Signed16(m_face, kHead, 42);
    hb_position_t value = 0;
    hb_ot_metrics_get_position(m_font, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &value);
    m_metrics.ascender = value;
    hb_ot_metrics_get_position(m_font, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &value);
    m_metrics.descender = value;
    m_metrics.capHeight =
        hb_ot_metrics_get_position(m_font, HB_OT_METRICS_TAG_CAP_HEIGHT, &value) && value > 0
            ? value
            : m_metrics.ascender;
    m_metrics.italicAngle = static_cast<std::int32_t>(Read(m_face, kPost, 4, 4)) / 65536.0;
    m_metrics.fixedPitch = Read(m_face, kPost, 12, 4) != 0;
    m_metrics.cff = HasTable(m_face, HB_TAG('C', 'F', 'F', ' '));
    m_metrics.postScriptName = PostScriptName(m_face);
}

int FontFile::Advance(std::uint32_t glyph) const {
    return hb_font_get_glyph_h_advance(m_font, glyph);
}

std::string FontFile::Subset(const std::vector<bool>& glyphs) const {
    hb_subset_input_t* input = hb_subset_input_create_or_fail();
    if (input == nullptr) {
        return {};
    }
    hb_set_t* keep = hb_subset_input_glyph_set(input);
    for (std::uint32_t glyph = 0; glyph < glyphs.size(); ++glyph) {
        if (glyphs[glyph]) {
            hb_set_add(keep, glyph);
        }
    }
    hb_set_t* dropped = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const hb_tag_t tag : kDroppedTables) {
        hb_set_add(dropped, tag);
    }
    hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NOTDEF_OUTLINE |
                                         HB_SUBSET_FLAGS_NO_HINTING);
    hb_face_t* subset = hb_subset_or_fail(m_face, input);
    hb_subset_input_destroy(input);
    if (subset == nullptr) {
        return {};
    }
    hb_blob_t* blob = hb_face_reference_blob(subset);
    unsigned length = 0;
    const char* data = hb_blob_get_data(blob, &length);
    std::string out(data == nullptr ? "" : std::string(data, length));
    hb_blob_destroy(blob);
    hb_face_destroy(subset);
    return out;
}

} // namespace pf::pdfwriter

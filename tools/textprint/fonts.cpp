#include "fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <unistd.h>

namespace pf::textprint {

namespace {

constexpr std::size_t kBasicPlane = 0x10000;
constexpr std::size_t kMaxSystemFonts = 16;

// The file and face index fontconfig gives for a pattern, or "" when it has none.
std::pair<std::string, int> MatchFontFile(FcPattern* pattern) {
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::pair<std::string, int> found{"", 0};
    FcChar8* file = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        found.first = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &found.second);
    }
    if (match != nullptr) {
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

FcPattern* ScalablePattern() {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcPatternAddString(pattern, FC_FONTFORMAT, reinterpret_cast<const FcChar8*>("TrueType"));
    return pattern;
}

} // namespace

struct FontSet::Face {
    FT_Face face = nullptr;
    ~Face() {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
    }
};

std::vector<FontChoice> FontSet::StandardChoices() {
    return {
        {"/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", 0, "DejaVu Sans Mono"},
        {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0, "DejaVu Sans"},
        {"/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", 0, "WenQuanYi Micro Hei"},
    };
}

FontSet::FontSet(std::vector<FontChoice> choices, float size)
    : m_choices(std::move(choices)), m_size(size), m_basic(kBasicPlane) {
    if (FT_Init_FreeType(&m_library) != 0) {
        throw std::runtime_error("cannot start the font engine");
    }
    while (m_faces.empty() && m_nextChoice < m_choices.size()) {
        LoadChoice(m_choices[m_nextChoice++]);
    }
    if (m_faces.empty()) {
        FT_Done_FreeType(m_library);
        throw std::runtime_error("no monospace font is installed (DejaVu Sans Mono is missing)");
    }
    const FT_Face primary = m_faces.front()->face;
    const double scale = static_cast<double>(size) / primary->units_per_EM;
    m_ascent = primary->ascender * scale;
    m_lineHeight = primary->height * scale;
}

FontSet::~FontSet() {
    m_faces.clear();
    FT_Done_FreeType(m_library);
}

bool FontSet::LoadFile(const std::string& path, std::uint32_t faceIndex) {
    FT_Face face = nullptr;
    if (FT_New_Face(m_library, path.c_str(), static_cast<FT_Long>(faceIndex), &face) != 0) {
        return false;
    }
    // The PDF printer embeds TrueType outlines only; a font with other outlines cannot go into the job.
    FT_ULong outlines = 0;
    if (!FT_IS_SFNT(face) || FT_Load_Sfnt_Table(face, TTAG_glyf, 0, nullptr, &outlines) != 0 ||
        outlines == 0 || face->units_per_EM == 0) {
        FT_Done_Face(face);
        return false;
    }
    m_faces.push_back(std::make_unique<Face>());
    m_faces.back()->face = face;
    m_loaded.push_back({static_cast<std::uint32_t>(m_loaded.size()), path, faceIndex});
    return true;
}

// The usual path first, so a normal system needs no font search at start-up.
bool FontSet::LoadChoice(const FontChoice& choice) {
    if (::access(choice.path.c_str(), R_OK) == 0 && LoadFile(choice.path, choice.faceIndex)) {
        return true;
    }
    if (choice.family.empty() || !FcInit()) {
        return false;
    }
    FcPattern* pattern = ScalablePattern();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(choice.family.c_str()));
    const auto [path, index] = MatchFontFile(pattern);
    return !path.empty() && LoadFile(path, static_cast<std::uint32_t>(index));
}

bool FontSet::LoadSystemFontFor(char32_t ch) {
    if (m_faces.size() >= m_choices.size() + kMaxSystemFonts || !FcInit()) {
        return false;
    }
    FcPattern* pattern = ScalablePattern();
    FcCharSet* charset = FcCharSetCreate();
    FcCharSetAddChar(charset, ch);
    FcPatternAddCharSet(pattern, FC_CHARSET, charset);
    FcCharSetDestroy(charset);
    const auto [path, index] = MatchFontFile(pattern);
    for (const auto& font : m_loaded) {
        if (font.path == path && font.faceIndex == static_cast<std::uint32_t>(index)) {
            return false; // a font we have already and that lacks the character
        }
    }
    return !path.empty() && LoadFile(path, static_cast<std::uint32_t>(index));
}

GlyphInfo FontSet::FromFace(std::size_t font, std::uint32_t index) const {
    const FT_Face face = m_faces[font]->face;
    FT_Fixed advance = 0;
    FT_Get_Advance(face, index, FT_LOAD_NO_SCALE, &advance);
    return {static_cast<std::int32_t>(font), index,
            static_cast<float>(static_cast<double>(advance) * m_size / face->units_per_EM)};
}

bool FontSet::LoadNextFor(char32_t ch) {
    while (m_nextChoice < m_choices.size()) {
        if (LoadChoice(m_choices[m_nextChoice++])) {
            return true;
        }
    }
    return LoadSystemFontFor(ch);
}

GlyphInfo FontSet::Resolve(char32_t ch) {
    std::size_t font = 0;
    for (;;) {
        for (; font < m_faces.size(); ++font) {
            const FT_UInt index = FT_Get_Char_Index(m_faces[font]->face, ch);
            if (index != 0) {
                return FromFace(font, index);
            }
        }
        if (!LoadNextFor(ch)) {
            return FromFace(0, 0);
        }
    }
}

const GlyphInfo& FontSet::Lookup(char32_t ch) {
    GlyphInfo& slot = ch < kBasicPlane ? m_basic[ch] : m_other[ch];
    if (slot.font < 0) {
        slot = Resolve(ch);
    }
    return slot;
}

} // namespace pf::textprint

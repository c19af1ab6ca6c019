#include "fonts.h"

#include <fontconfig/fontconfig.h>
#include <hb.h>

#include <algorithm>
#include <array>
#include <string_view>
#include <unistd.h>

namespace pf::textprint {

namespace {

constexpr std::size_t kBasicPlane = 0x10000;
constexpr std::size_t kMaxSystemFonts = 64;

struct Range {
    char32_t first;
    char32_t last;
};

// Scripts and symbols drawn one glyph per character, left to right (see IsSimpleCharacter); the gaps
// hold the combining marks, format characters, right-to-left and complex scripts.
constexpr auto kSimpleRanges = std::to_array<Range>({
    {0x20, 0x2FF},      {0x370, 0x482},   {0x48A, 0x58F},   {0x10A0, 0x10FF}, {0x13A0, 0x13FF},
    {0x1D00, 0x1DBF},   {0x1E00, 0x1FFF}, {0x2000, 0x200A}, {0x2010, 0x2027}, {0x202F, 0x205F},
    {0x2070, 0x20CF},   {0x2100, 0x2CEF}, {0x2E00, 0x3029}, {0x3030, 0x3098}, {0x309B, 0xA4CF},
    {0xA640, 0xA66E},   {0xA680, 0xA69D}, {0xA700, 0xA7FF}, {0xAC00, 0xD7A3}, {0xF900, 0xFB06},
    {0xFE10, 0xFE19},   {0xFE30, 0xFE4F}, {0xFF00, 0xFFEF}, {0xFFFC, 0xFFFD}, {0x1F000, 0x1F2FF},
    {0x20000, 0x3FFFF},
});

// The characters the monospace face is used for: Latin, Greek, Cyrillic, Armenian and the symbols. Other
// scripts it may carry (DejaVu Sans Mono has some Arabic) come from a face made for them.
bool UsesMonospace(char32_t ch) {
    return ch < 0x590 || (ch >= 0x1D00 && ch <= 0x1FFF) || (ch >= 0x2000 && ch <= 0x2BFF) ||
           (ch >= 0x2C60 && ch <= 0x2C7F) || (ch >= 0xA700 && ch <= 0xA7FF) || (ch >= 0xFB00 && ch <= 0xFB06);
}

bool IsMissingWorthReporting(char32_t ch) {
    return !ContinuesCluster(ch);
}

std::string PatternString(FcPattern* pattern, const char* object) {
    FcChar8* value = nullptr;
    return FcPatternGetString(pattern, object, 0, &value) == FcResultMatch ? reinterpret_cast<char*>(value)
                                                                           : "";
}

// A face the printer can embed: scalable TrueType or OpenType (CFF) outlines, not a colour or variable font.
bool IsEmbeddable(FcPattern* font) {
    const std::string format = PatternString(font, FC_FONTFORMAT);
    FcBool flag = FcFalse;
    const bool color = FcPatternGetBool(font, FC_COLOR, 0, &flag) == FcResultMatch && flag;
    const bool variable = FcPatternGetBool(font, FC_VARIABLE, 0, &flag) == FcResultMatch && flag;
    return (format == "TrueType" || format == "CFF") && !color && !variable;
}

// Noto's faces for each script (not its user-interface or monospace cuts) are preferred as fallbacks.
bool IsPreferredFamily(FcPattern* font) {
    const std::string family = PatternString(font, FC_FAMILY);
    return family.rfind("Noto Sans", 0) == 0 && family.find(" UI") == std::string::npos &&
           family.find("Mono") == std::string::npos;
}

// Every regular upright face of the system, in fontconfig's order.
FcFontSet* SortedSystemFonts() {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
    FcPatternDestroy(pattern);
    return sorted;
}

// Whether a character of a cluster needs a glyph of its own: joiners, variation selectors and other
// invisible format characters do not.
bool NeedsGlyph(char32_t ch) {
    return ch != 0x200C && ch != 0x200D && !(ch >= 0xFE00 && ch <= 0xFE0F) &&
           !(ch >= 0xE0000 && ch <= 0xE01EF) &&
           hb_unicode_general_category(hb_unicode_funcs_get_default(), ch) !=
               HB_UNICODE_GENERAL_CATEGORY_FORMAT;
}

bool HasAll(FcCharSet* charset, std::u32string_view cluster) {
    return std::ranges::all_of(
        cluster, [charset](char32_t ch) { return !NeedsGlyph(ch) || FcCharSetHasChar(charset, ch); });
}

// The file and face index of the best system face for a cluster, or "" when none has all of it.
std::pair<std::string, int> SystemFontFor(FcFontSet* fonts, std::u32string_view cluster) {
    if (fonts == nullptr) {
        return {"", 0};
    }
    for (const bool preferredOnly : {true, false}) {
        for (int i = 0; i < fonts->nfont; ++i) {
            FcPattern* font = fonts->fonts[i];
            FcCharSet* charset = nullptr;
            if ((preferredOnly && !IsPreferredFamily(font)) || !IsEmbeddable(font) ||
                FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch ||
                !HasAll(charset, cluster)) {
                continue;
            }
            int index = 0;
            FcPatternGetInteger(font, FC_INDEX, 0, &index);
            return {PatternString(font, FC_FILE), index};
        }
    }
    return {"", 0};
}

// The file of the face fontconfig matches to a family name, or "" when it has none.
std::pair<std::string, int> FamilyFontFile(const std::string& family) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::pair<std::string, int> found{"", 0};
    if (match != nullptr && PatternString(match, FC_FAMILY) == family) {
        found.first = PatternString(match, FC_FILE);
        FcPatternGetInteger(match, FC_INDEX, 0, &found.second);
    }
    if (match != nullptr) {
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

} // namespace

bool IsSimpleCharacter(char32_t ch) {
    for (const Range& range : kSimpleRanges) {
        if (ch <= range.last) {
            return ch >= range.first;
        }
    }
    return false;
}

bool ContinuesCluster(char32_t ch) {
    switch (hb_unicode_general_category(hb_unicode_funcs_get_default(), ch)) {
    case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK:
        return true;
    default:
        return ch == 0x200C || ch == 0x200D || (ch >= 0xFE00 && ch <= 0xFE0F) ||
               (ch >= 0x1F3FB && ch <= 0x1F3FF) || (ch >= 0xE0020 && ch <= 0xE01EF);
    }
}

struct FontSet::SystemFonts {
    FcFontSet* fonts = SortedSystemFonts();
    ~SystemFonts() {
        if (fonts != nullptr) {
            FcFontSetDestroy(fonts);
        }
    }
    SystemFonts() = default;
    SystemFonts(const SystemFonts&) = delete;
    SystemFonts& operator=(const SystemFonts&) = delete;
};

struct FontSet::Face {
    hb_blob_t* blob = nullptr;
    hb_face_t* face = nullptr;
    hb_font_t* font = nullptr;
    double scale = 0;
    ~Face() {
        hb_font_destroy(font);
        hb_face_destroy(face);
        hb_blob_destroy(blob);
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
    while (m_faces.empty() && m_nextChoice < m_choices.size()) {
        LoadChoice(m_choices[m_nextChoice++]);
    }
    if (m_faces.empty()) {
        throw std::runtime_error("no monospace font is installed (DejaVu Sans Mono is missing)");
    }
    hb_font_extents_t extents{};
    hb_font_get_h_extents(m_faces.front()->font, &extents);
    const double scale = m_faces.front()->scale;
    m_ascent = extents.ascender * scale;
    m_lineHeight = (extents.ascender - extents.descender + extents.line_gap) * scale;
}

FontSet::~FontSet() {
    m_systemFonts.reset();
    if (m_fontconfig) {
        FcFini(); // fontconfig's caches go with the last font set that used them
    }
}

bool FontSet::StartFontconfig() {
    if (!m_fontconfig) {
        m_fontconfig = FcInit() == FcTrue;
    }
    return m_fontconfig;
}

bool FontSet::LoadFile(const std::string& path, std::uint32_t faceIndex) {
    auto face = std::make_unique<Face>();
    face->blob = hb_blob_create_from_file_or_fail(path.c_str());
    if (face->blob == nullptr) {
        return false;
    }
    face->face = hb_face_create(face->blob, faceIndex);
    const unsigned int units = hb_face_get_upem(face->face);
    if (hb_face_get_glyph_count(face->face) == 0 || units == 0) {
        return false;
    }
    face->font = hb_font_create(face->face);
    hb_font_set_scale(face->font, static_cast<int>(units), static_cast<int>(units));
    face->scale = static_cast<double>(m_size) / units;
    m_faces.push_back(std::move(face));
    m_loaded.push_back({static_cast<std::uint32_t>(m_loaded.size()), path, faceIndex});
    return true;
}

bool FontSet::IsLoaded(const std::string& path, std::uint32_t faceIndex) const {
    return std::ranges::any_of(m_loaded, [&](const printjob::Font& font) {
        return font.path == path && font.faceIndex == faceIndex;
    });
}

// The usual path first, so a normal system needs no font search at start-up.
bool FontSet::LoadChoice(const FontChoice& choice) {
    if (IsLoaded(choice.path, choice.faceIndex)) {
        return false;
    }
    if (::access(choice.path.c_str(), R_OK) == 0 && LoadFile(choice.path, choice.faceIndex)) {
        return true;
    }
    if (choice.family.empty() || !StartFontconfig()) {
        return false;
    }
    const auto [path, index] = FamilyFontFile(choice.family);
    return !path.empty() && !IsLoaded(path, static_cast<std::uint32_t>(index)) &&
           LoadFile(path, static_cast<std::uint32_t>(index));
}

bool FontSet::LoadSystemFontFor(std::u32string_view cluster) {
    if (m_systemFontsLoaded >= kMaxSystemFonts || !StartFontconfig()) {
        return false;
    }
    if (!m_systemFonts) {
        m_systemFonts = std::make_unique<SystemFonts>();
    }
    const auto [path, index] = SystemFontFor(m_systemFonts->fonts, cluster);
    if (path.empty() || IsLoaded(path, static_cast<std::uint32_t>(index))) {
        return false; // no face has it, or only one we have already and that lacks it
    }
    ++m_systemFontsLoaded;
    return LoadFile(path, static_cast<std::uint32_t>(index));
}

hb_font_t* FontSet::ShapingFont(std::int32_t font) const {
    return m_faces[static_cast<std::size_t>(font)]->font;
}

double FontSet::Scale(std::int32_t font) const {
    return m_faces[static_cast<std::size_t>(font)]->scale;
}

GlyphInfo FontSet::FromFace(std::size_t font, std::uint32_t index, char32_t ch) const {
    const Face& face = *m_faces[font];
    const hb_position_t advance = hb_font_get_glyph_h_advance(face.font, index);
    return {static_cast<std::int32_t>(font), index, static_cast<float>(advance * face.scale),
            IsSimpleCharacter(ch)};
}

bool FontSet::LoadNextFor(char32_t ch) {
    if (LoadSystemFontFor(std::u32string_view(&ch, 1))) {
        return true;
    }
    while (m_nextChoice < m_choices.size()) {
        if (LoadChoice(m_choices[m_nextChoice++])) {
            return true;
        }
    }
    return false;
}

GlyphInfo FontSet::Resolve(char32_t ch) {
    if (hb_unicode_general_category(hb_unicode_funcs_get_default(), ch) ==
        HB_UNICODE_GENERAL_CATEGORY_FORMAT) {
        return {0, 0, 0, false}; // invisible: the shaper hides it, whatever the font
    }
    hb_codepoint_t index = 0;
    const bool monospace = UsesMonospace(ch);
    std::size_t font = monospace ? 0 : 1;
    for (;;) {
        for (; font < m_faces.size(); ++font) {
            if (hb_font_get_nominal_glyph(m_faces[font]->font, ch, &index) && index != 0) {
                return FromFace(font, index, ch);
            }
        }
        if (!LoadNextFor(ch)) {
            break;
        }
    }
    if (!monospace && hb_font_get_nominal_glyph(m_faces[0]->font, ch, &index) && index != 0) {
        return FromFace(0, index, ch);
    }
    if (m_onMissing && IsMissingWorthReporting(ch)) {
        m_onMissing(ch);
    }
    return FromFace(0, 0, ch);
}

bool FontSet::Covers(std::size_t font, std::u32string_view cluster) const {
    return std::ranges::all_of(cluster, [this, font](char32_t ch) {
        hb_codepoint_t glyph = 0;
        return !NeedsGlyph(ch) || (hb_font_get_nominal_glyph(m_faces[font]->font, ch, &glyph) && glyph != 0);
    });
}

std::int32_t FontSet::ClusterFont(std::u32string_view cluster) {
    const std::int32_t base = Lookup(cluster.front()).font;
    if (cluster.size() == 1 || Covers(static_cast<std::size_t>(base), cluster)) {
        return base;
    }
    for (std::size_t font = 0; font < m_faces.size(); ++font) {
        if (Covers(font, cluster)) {
            return static_cast<std::int32_t>(font);
        }
    }
    return LoadSystemFontFor(cluster) ? static_cast<std::int32_t>(m_faces.size() - 1) : base;
}

const GlyphInfo& FontSet::Lookup(char32_t ch) {
    GlyphInfo& slot = ch < kBasicPlane ? m_basic[ch] : m_other[ch];
    if (slot.font < 0) {
        slot = Resolve(ch);
    }
    return slot;
}

} // namespace pf::textprint

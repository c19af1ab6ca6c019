#include "shaper.h"

#include <algorithm>
#include <array>
#include <fribidi.h>
#include <hb.h>

namespace pf::textprint {

namespace {

// The monospace face sets Latin one glyph per character: none of its ligatures or contextual forms.
constexpr std::array kMonospaceFeatures = {"-liga", "-clig", "-dlig", "-calt", "-kern"};
constexpr std::size_t kMaxCachedWords = 20000;

// Characters that can make a stretch of text run right to left: the right-to-left scripts and the
// explicit direction controls.
bool TurnsRightToLeft(char32_t ch) {
    return (ch >= 0x0590 && ch <= 0x08FF) || (ch >= 0xFB1D && ch <= 0xFDFF) ||
           (ch >= 0xFE70 && ch <= 0xFEFE) || (ch >= 0x10800 && ch <= 0x10FFF) ||
           (ch >= 0x1E800 && ch <= 0x1EFFF) || ch == 0x200F || (ch >= 0x202A && ch <= 0x202E) ||
           (ch >= 0x2066 && ch <= 0x2069);
}

// The deepest embedding level the bidirectional algorithm allows.
constexpr int kMaxDepth = 125;

// Replaces the direction controls that would nest deeper than kMaxDepth, and the controls that close
// them, by what the algorithm makes of them anyway: embeddings and overrides are dropped (boundary
// neutral), isolates stay in place as neutrals. The algorithm then never reaches its overflow rules,
// which the installed FriBidi gets wrong: from about 24 nested controls on it computes levels past 125
// and then overruns its own tables. An FSI counts as the deeper of its two possible levels.
void NeutralizeOverflowingControls(std::vector<std::uint32_t>& types) {
    struct Entry {
        int level;
        bool isolate;
    };
    std::vector<Entry> stack = {{0, false}};
    int overflowIsolates = 0;
    int overflowEmbeddings = 0;
    const auto nextLevel = [&](bool odd) { return (stack.back().level + (odd ? 1 : 2)) | (odd ? 1 : 0); };
    for (std::uint32_t& type : types) {
        const bool isolate = type == FRIBIDI_TYPE_LRI || type == FRIBIDI_TYPE_RLI || type == FRIBIDI_TYPE_FSI;
        if (isolate || type == FRIBIDI_TYPE_LRE || type == FRIBIDI_TYPE_RLE || type == FRIBIDI_TYPE_LRO ||
            type == FRIBIDI_TYPE_RLO) {
            const bool odd = type == FRIBIDI_TYPE_RLE || type == FRIBIDI_TYPE_RLO || type == FRIBIDI_TYPE_RLI;
            const int level =
                type == FRIBIDI_TYPE_FSI ? std::max(nextLevel(true), nextLevel(false)) : nextLevel(odd);
            if (level <= kMaxDepth && overflowIsolates == 0 && overflowEmbeddings == 0) {
                stack.push_back({level, isolate});
            } else if (isolate) {
                ++overflowIsolates;
                type = FRIBIDI_TYPE_ON;
            } else {
                overflowEmbeddings += overflowIsolates == 0 ? 1 : 0;
                type = FRIBIDI_TYPE_BN;
            }
        } else if (type == FRIBIDI_TYPE_PDI) {
            if (overflowIsolates > 0) {
                --overflowIsolates;
                type = FRIBIDI_TYPE_ON;
            } else if (std::any_of(stack.begin(), stack.end(), [](const Entry& e) { return e.isolate; })) {
                overflowEmbeddings = 0;
                while (!stack.back().isolate) {
                    stack.pop_back();
                }
                stack.pop_back();
            }
        } else if (type == FRIBIDI_TYPE_PDF) {
            if (overflowIsolates > 0 || overflowEmbeddings > 0) {
                overflowEmbeddings -= overflowIsolates == 0 ? 1 : 0;
                type = FRIBIDI_TYPE_BN;
            } else if (stack.size() > 1 && !stack.back().isolate) {
                stack.pop_back();
            }
        }
    }
}

bool IsNeutralScript(hb_script_t script) {
    return script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED || script == HB_SCRIPT_UNKNOWN;
}

} // namespace

Shaper::Shaper(FontSet& fonts) : m_fonts(fonts), m_buffer(hb_buffer_create()) {}

Shaper::~Shaper() {
    hb_buffer_destroy(m_buffer);
}

// Embedding levels by the bidirectional algorithm; whitespace at the end of the line takes the
// paragraph's level, so it stays at the line's end.
void Shaper::ResolveLevels(std::u32string_view text, Direction& direction) {
    if (direction != Direction::RightToLeft && std::none_of(text.begin(), text.end(), TurnsRightToLeft)) {
        m_levels.assign(text.size(), 0); // a left-to-right line: nothing for the algorithm to do
        direction = Direction::LeftToRight;
        return;
    }
    const auto length = static_cast<FriBidiStrIndex>(text.size());
    const auto* chars = reinterpret_cast<const FriBidiChar*>(text.data());
    m_types.resize(text.size());
    m_brackets.resize(text.size());
    m_levels.resize(text.size());
    fribidi_get_bidi_types(chars, length, m_types.data());
    NeutralizeOverflowingControls(m_types);
    fribidi_get_bracket_types(chars, length, m_types.data(), m_brackets.data());
    FriBidiParType base = direction == Direction::LeftToRight   ? FRIBIDI_PAR_LTR
                          : direction == Direction::RightToLeft ? FRIBIDI_PAR_RTL
                                                                : FRIBIDI_PAR_ON;
    if (fribidi_get_par_embedding_levels_ex(m_types.data(), m_brackets.data(), length, &base,
                                            m_levels.data()) == 0) {
        std::fill(m_levels.begin(), m_levels.end(), 0);
        base = FRIBIDI_PAR_LTR;
    }
    const bool rtl = FRIBIDI_IS_RTL(base);
    if (direction == Direction::Unknown &&
        std::any_of(m_types.begin(), m_types.end(),
                    [](std::uint32_t type) { return FRIBIDI_IS_LETTER(type); })) {
        direction = rtl ? Direction::RightToLeft : Direction::LeftToRight;
    }
    for (std::size_t i = text.size(); i-- > 0;) {
        const FriBidiCharType type = m_types[i];
        if (!FRIBIDI_IS_EXPLICIT_OR_BN_OR_WS(type) && !FRIBIDI_IS_ISOLATE(type)) {
            break;
        }
        m_levels[i] = rtl ? 1 : 0;
    }
}

// The font of the cluster that starts at the character.
std::int32_t Shaper::ClusterFontAt(std::u32string_view text, std::size_t start) {
    std::size_t end = start + 1;
    while (end < text.size() && ContinuesCluster(text[end])) {
        ++end;
    }
    return m_fonts.ClusterFont(text.substr(start, end - start));
}

// Whether a space, digit or punctuation mark can stay in the font of the text before it, so a phrase of
// one script is shaped as one piece: when that font has it and the text after it goes on in that font
// (or the line ends). Between fonts, as after a Hebrew word in a Latin line, it takes a font of its own,
// for a space the monospace face, so the gap keeps a whole column's width rather than the narrow space
// of the face before it. Latin text keeps the monospace face's own spaces. The text after a stretch of
// neutrals is looked up once.
bool Shaper::KeepsFont(std::u32string_view text, std::size_t at, std::int32_t font, Lookahead& next) {
    hb_codepoint_t glyph = 0;
    if (font == 0 || !hb_font_get_nominal_glyph(m_fonts.ShapingFont(font), text[at], &glyph) || glyph == 0) {
        return false;
    }
    if (next.at <= at) {
        hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
        next.at = at + 1;
        while (next.at < text.size() && IsNeutralScript(hb_unicode_script(unicode, text[next.at]))) {
            ++next.at;
        }
        next.font = next.at < text.size() ? ClusterFontAt(text, next.at) : font;
        next.script = next.at < text.size() ? hb_unicode_script(unicode, text[next.at]) : HB_SCRIPT_COMMON;
    }
    return next.font == font;
}

// Splits the line into items of one embedding level, script and font. Marks and joiners stay with the
// font of the character they belong to; characters of no script of their own take their neighbour's.
void Shaper::Itemize(std::u32string_view text, Direction& direction) {
    ResolveLevels(text, direction);
    m_items.clear();
    Lookahead next;
    hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
    hb_script_t script = HB_SCRIPT_COMMON;
    for (const char32_t ch : text) {
        script = hb_unicode_script(unicode, ch);
        if (!IsNeutralScript(script)) {
            break;
        }
    }
    std::int32_t font = -1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t ch = text[i];
        const hb_script_t own = hb_unicode_script(unicode, ch);
        const bool continues = ContinuesCluster(ch);
        if (!IsNeutralScript(own) && !continues) {
            script = own; // a mark keeps the script of the letter it sits on
        }
        const bool format = hb_unicode_general_category(unicode, ch) == HB_UNICODE_GENERAL_CATEGORY_FORMAT;
        if (font < 0 || !(continues || format || (IsNeutralScript(own) && KeepsFont(text, i, font, next)))) {
            if (next.at > i && next.font != font) {
                // A neutral between fonts goes with the text after it.
                script = static_cast<hb_script_t>(next.script);
            }
            font = ClusterFontAt(text, i);
        }
        Item* last = m_items.empty() ? nullptr : &m_items.back();
        if (last != nullptr && last->font == font && last->script == script && last->level == m_levels[i]) {
            ++last->length;
        } else {
            m_items.push_back({i, 1, font, script, m_levels[i]});
        }
    }
}

// One piece of an item shaped by HarfBuzz; clusters count from the piece's start.
void Shaper::ShapePiece(std::u32string_view piece, const Item& item, std::vector<Glyph>& out) {
    static const std::vector<hb_feature_t> monospace = [] {
        std::vector<hb_feature_t> features(kMonospaceFeatures.size());
        for (std::size_t i = 0; i < features.size(); ++i) {
            hb_feature_from_string(kMonospaceFeatures[i], -1, &features[i]);
        }
        return features;
    }();
    hb_buffer_clear_contents(m_buffer);
    hb_buffer_add_utf32(m_buffer, reinterpret_cast<const std::uint32_t*>(piece.data()),
                        static_cast<int>(piece.size()), 0, static_cast<int>(piece.size()));
    hb_buffer_set_direction(m_buffer, (item.level & 1) != 0 ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_buffer_set_script(m_buffer, static_cast<hb_script_t>(item.script));
    hb_buffer_set_language(m_buffer, hb_language_get_default());
    const bool plain = item.font == 0;
    hb_shape(m_fonts.ShapingFont(item.font), m_buffer, plain ? monospace.data() : nullptr,
             plain ? static_cast<unsigned>(monospace.size()) : 0);
    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(m_buffer, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(m_buffer, &count);
    out.clear();
    for (unsigned i = 0; i < count; ++i) {
        out.push_back({infos[i].codepoint, infos[i].cluster, positions[i].x_advance, positions[i].x_offset,
                       positions[i].y_offset});
    }
}

// The item's glyphs in visual order. Shaping never reaches across a space, so the item is shaped word by
// word, and a word met before (text repeats its words a lot) comes from the cache.
void Shaper::Shape(std::u32string_view text, const Item& item) {
    const bool rtl = (item.level & 1) != 0;
    m_glyphs.clear();
    std::size_t pieceStart = item.start;
    const std::size_t end = item.start + item.length;
    while (pieceStart < end) {
        const bool space = text[pieceStart] == ' ';
        std::size_t pieceEnd = pieceStart + 1;
        while (pieceEnd < end && (text[pieceEnd] == ' ') == space) {
            ++pieceEnd;
        }
        m_key.assign(
            {static_cast<char32_t>(item.font), static_cast<char32_t>(item.script), rtl ? U'r' : U'l'});
        m_key.append(text.substr(pieceStart, pieceEnd - pieceStart));
        auto found = m_cache.find(m_key);
        if (found == m_cache.end()) {
            if (m_cache.size() >= kMaxCachedWords) {
                m_cache.clear(); // a bound on memory; the words that matter come back soon
            }
            found = m_cache.emplace(m_key, std::vector<Glyph>()).first;
            ShapePiece(text.substr(pieceStart, pieceEnd - pieceStart), item, found->second);
        }
        // Right to left, each later word goes before the words already placed.
        const auto at = rtl ? m_glyphs.begin() : m_glyphs.end();
        const auto first = m_glyphs.insert(at, found->second.begin(), found->second.end());
        for (auto glyph = first; glyph != first + static_cast<std::ptrdiff_t>(found->second.size());
             ++glyph) {
            glyph->cluster += static_cast<std::uint32_t>(pieceStart);
        }
        pieceStart = pieceEnd;
    }
    m_starts.clear();
    for (const Glyph& glyph : m_glyphs) {
        m_starts.push_back(glyph.cluster);
    }
    std::sort(m_starts.begin(), m_starts.end());
    m_starts.erase(std::unique(m_starts.begin(), m_starts.end()), m_starts.end());
}

void Shaper::Measure(std::u32string_view text, Direction& direction, std::vector<float>& widths,
                     std::vector<bool>& clusterStarts) {
    widths.assign(text.size(), 0);
    clusterStarts.assign(text.size(), false);
    Itemize(text, direction);
    for (const Item& item : m_items) {
        Shape(text, item);
        const double scale = m_fonts.Scale(item.font);
        for (const Glyph& glyph : m_glyphs) {
            widths[glyph.cluster] += static_cast<float>(glyph.advance * scale);
            clusterStarts[glyph.cluster] = true;
        }
    }
}

// The items in visual order: from the highest level down to the lowest odd one, every stretch of items
// at that level or higher is reversed.
std::vector<std::size_t> Shaper::VisualOrder() const {
    std::vector<std::size_t> order(m_items.size());
    int highest = 0;
    int lowestOdd = 127;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        order[i] = i;
        highest = std::max(highest, m_items[i].level);
        if ((m_items[i].level & 1) != 0) {
            lowestOdd = std::min(lowestOdd, m_items[i].level);
        }
    }
    for (int level = highest; level >= lowestOdd && level > 0; --level) {
        for (std::size_t i = 0; i < order.size();) {
            if (m_items[order[i]].level < level) {
                ++i;
                continue;
            }
            std::size_t end = i;
            while (end < order.size() && m_items[order[end]].level >= level) {
                ++end;
            }
            std::reverse(order.begin() + static_cast<std::ptrdiff_t>(i),
                         order.begin() + static_cast<std::ptrdiff_t>(end));
            i = end;
        }
    }
    return order;
}

// The shaped item as a run: its glyphs from the pen on, grouped in clusters that each carry the
// characters they stand for, in reading order.
void Shaper::AddRun(std::u32string_view text, const Item& item, float& pen, std::vector<ShapedRun>& runs) {
    const double scale = m_fonts.Scale(item.font);
    ShapedRun& shaped = runs.emplace_back();
    shaped.font = item.font;
    printjob::Run& run = shaped.run;
    run.shaped = true;
    run.rightToLeft = (item.level & 1) != 0;
    for (std::size_t i = 0; i < m_glyphs.size(); ++i) {
        const Glyph& glyph = m_glyphs[i];
        run.glyphs.push_back({glyph.index, pen + static_cast<float>(glyph.xOffset * scale), 0});
        run.rise.push_back(static_cast<float>(glyph.yOffset * scale));
        pen += static_cast<float>(glyph.advance * scale);
        if (i > 0 && glyph.cluster == m_glyphs[i - 1].cluster) {
            ++run.clusters.back().glyphs;
            continue;
        }
        const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), glyph.cluster);
        const std::size_t end = next == m_starts.end() ? item.start + item.length : *next;
        run.clusters.push_back({1, static_cast<std::uint32_t>(end - glyph.cluster)});
        run.text.append(text.substr(glyph.cluster, end - glyph.cluster));
    }
}

float Shaper::Lay(std::u32string_view text, Direction& direction, std::vector<ShapedRun>& runs) {
    runs.clear();
    Itemize(text, direction);
    float pen = 0;
    for (const std::size_t index : VisualOrder()) {
        Shape(text, m_items[index]);
        AddRun(text, m_items[index], pen, runs);
    }
    return pen;
}

} // namespace pf::textprint

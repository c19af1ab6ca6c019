#include "jobformat.h"

#include <cmath>
#include <cstring>

namespace pf::printjob {

namespace {

constexpr std::string_view kMagic = "PFJOB1\n";
constexpr std::size_t kFlushSize = std::size_t{64} * 1024;
constexpr std::uint32_t kMaxPathLength = 4096;
constexpr std::uint32_t kMaxRunGlyphs = 1 << 20;
constexpr double kMaxPageSide = 14400; // the largest page a PDF can hold, 200 inches

constexpr const char* kEndedEarly = "the print job ended before it was complete";

enum Tag : char { kFont = 'F', kPage = 'P', kRun = 'R', kShapedRun = 'S', kEndPage = 'E', kEndJob = 'Z' };

// Pulls typed values from the source through a buffer; any shortfall marks the job as ended early.
class Input {
public:
    explicit Input(const Source& source) : m_source(source), m_buffer(kFlushSize) {}

    bool Read(void* out, std::size_t size) {
        auto* target = static_cast<char*>(out);
        while (size > 0) {
            if (m_pos == m_end && !Refill()) {
                return false;
            }
            const std::size_t n = std::min(size, m_end - m_pos);
            std::memcpy(target, m_buffer.data() + m_pos, n);
            m_pos += n;
            target += n;
            size -= n;
        }
        return true;
    }

    template <typename T> bool Get(T& value) { return Read(&value, sizeof value); }

private:
    bool Refill() {
        m_pos = 0;
        m_end = m_source(m_buffer.data(), m_buffer.size());
        return m_end > 0;
    }

    const Source& m_source;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
};

bool IsPageSide(double side) {
    return std::isfinite(side) && side >= 1 && side <= kMaxPageSide;
}

bool ReadFont(Input& in, Font& font) {
    std::uint32_t length = 0;
    if (!in.Get(font.id) || !in.Get(font.faceIndex) || !in.Get(length) || length > kMaxPathLength) {
        return false;
    }
    font.path.resize(length);
    return in.Read(font.path.data(), length);
}

bool ReadRun(Input& in, Run& run) {
    std::uint32_t count = 0;
    if (!in.Get(run.font) || !in.Get(run.size) || !in.Get(run.y) || !in.Get(count) || count > kMaxRunGlyphs ||
        !std::isfinite(run.size) || !std::isfinite(run.y)) {
        return false;
    }
    run.glyphs.resize(count);
    for (auto& glyph : run.glyphs) {
        if (!in.Get(glyph.index) || !in.Get(glyph.x) || !in.Get(glyph.ch) || !std::isfinite(glyph.x)) {
            return false;
        }
    }
    return true;
}

// The clusters of a shaped run must cover its glyphs and its text exactly.
bool ReadClusters(Input& in, Run& run) {
    std::uint32_t count = 0;
    if (!in.Get(count) || count > kMaxRunGlyphs) {
        return false;
    }
    run.clusters.resize(count);
    std::uint64_t glyphs = 0;
    std::uint64_t chars = 0;
    for (auto& cluster : run.clusters) {
        if (!in.Get(cluster.glyphs) || !in.Get(cluster.chars)) {
            return false;
        }
        glyphs += cluster.glyphs;
        chars += cluster.chars;
    }
    std::uint32_t length = 0;
    if (glyphs != run.glyphs.size() || !in.Get(length) || length != chars || length > kMaxRunGlyphs) {
        return false;
    }
    run.text.resize(length);
    return in.Read(run.text.data(), length * sizeof(char32_t));
}

bool ReadShapedRun(Input& in, Run& run) {
    std::uint8_t rightToLeft = 0;
    std::uint32_t count = 0;
    if (!in.Get(run.font) || !in.Get(run.size) || !in.Get(run.y) || !in.Get(rightToLeft) || !in.Get(count) ||
        count > kMaxRunGlyphs || !std::isfinite(run.size) || !std::isfinite(run.y)) {
        return false;
    }
    run.shaped = true;
    run.rightToLeft = rightToLeft != 0;
    run.glyphs.resize(count);
    run.rise.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        Glyph& glyph = run.glyphs[i];
        glyph.ch = 0;
        if (!in.Get(glyph.index) || !in.Get(glyph.x) || !in.Get(run.rise[i]) || !std::isfinite(glyph.x) ||
            !std::isfinite(run.rise[i])) {
            return false;
        }
    }
    return ReadClusters(in, run);
}

} // namespace

JobWriter::JobWriter(Sink sink) : m_sink(std::move(sink)) {
    m_buffer.reserve(kFlushSize + 1024);
    m_buffer.append(kMagic);
}

void JobWriter::Put(const void* data, std::size_t size) {
    m_buffer.append(static_cast<const char*>(data), size);
    if (m_buffer.size() >= kFlushSize) {
        Flush();
    }
}

void JobWriter::Flush() {
    if (m_ok && !m_buffer.empty()) {
        m_ok = m_sink(m_buffer);
    }
    m_buffer.clear();
}

void JobWriter::DefineFont(const Font& font) {
    const char tag = kFont;
    const auto length = static_cast<std::uint32_t>(font.path.size());
    Put(&tag, 1);
    Put(&font.id, sizeof font.id);
    Put(&font.faceIndex, sizeof font.faceIndex);
    Put(&length, sizeof length);
    Put(font.path.data(), font.path.size());
}

void JobWriter::BeginPage(double width, double height) {
    const char tag = kPage;
    Put(&tag, 1);
    Put(&width, sizeof width);
    Put(&height, sizeof height);
}

void JobWriter::AddRun(std::uint32_t font, float size, float y, const Glyph* glyphs, std::size_t count) {
    const char tag = kRun;
    const auto n = static_cast<std::uint32_t>(count);
    Put(&tag, 1);
    Put(&font, sizeof font);
    Put(&size, sizeof size);
    Put(&y, sizeof y);
    Put(&n, sizeof n);
    // The glyphs are the bulk of a job: they are copied field by field straight into the buffer.
    constexpr std::size_t kGlyphSize = sizeof(Glyph::index) + sizeof(Glyph::x) + sizeof(Glyph::ch);
    const std::size_t start = m_buffer.size();
    m_buffer.resize(start + count * kGlyphSize);
    char* out = m_buffer.data() + start;
    for (std::size_t i = 0; i < count; ++i, out += kGlyphSize) {
        std::memcpy(out, &glyphs[i].index, sizeof glyphs[i].index);
        std::memcpy(out + 4, &glyphs[i].x, sizeof glyphs[i].x);
        std::memcpy(out + 8, &glyphs[i].ch, sizeof glyphs[i].ch);
    }
    if (m_buffer.size() >= kFlushSize) {
        Flush();
    }
}

void JobWriter::AddShapedRun(const Run& run) {
    const char tag = kShapedRun;
    const std::uint8_t rightToLeft = run.rightToLeft ? 1 : 0;
    const auto glyphs = static_cast<std::uint32_t>(run.glyphs.size());
    const auto clusters = static_cast<std::uint32_t>(run.clusters.size());
    const auto length = static_cast<std::uint32_t>(run.text.size());
    Put(&tag, 1);
    Put(&run.font, sizeof run.font);
    Put(&run.size, sizeof run.size);
    Put(&run.y, sizeof run.y);
    Put(&rightToLeft, 1);
    Put(&glyphs, sizeof glyphs);
    for (std::size_t i = 0; i < run.glyphs.size(); ++i) {
        Put(&run.glyphs[i].index, sizeof run.glyphs[i].index);
        Put(&run.glyphs[i].x, sizeof run.glyphs[i].x);
        Put(&run.rise[i], sizeof run.rise[i]);
    }
    Put(&clusters, sizeof clusters);
    for (const Cluster& cluster : run.clusters) {
        Put(&cluster.glyphs, sizeof cluster.glyphs);
        Put(&cluster.chars, sizeof cluster.chars);
    }
    Put(&length, sizeof length);
    Put(run.text.data(), run.text.size() * sizeof(char32_t));
}

void JobWriter::EndPage() {
    const char tag = kEndPage;
    Put(&tag, 1);
}

bool JobWriter::Finish() {
    const char tag = kEndJob;
    Put(&tag, 1);
    Flush();
    return m_ok;
}

std::string ReadJob(const Source& source, JobHandler& handler) {
    Input in(source);
    std::string magic(kMagic.size(), '\0');
    if (!in.Read(magic.data(), magic.size())) {
        return kEndedEarly;
    }
    if (magic != kMagic) {
        return "the print job is not in a format this printer knows";
    }
    bool inPage = false;
    Font font;
    Run run;
    for (;;) {
        char tag = 0;
        double width = 0;
        double height = 0;
        if (!in.Get(tag)) {
            return kEndedEarly;
        }
        if (tag == kEndJob && !inPage) {
            return {};
        }
        bool accepted = false;
        if (tag == kFont && ReadFont(in, font)) {
            accepted = handler.OnFont(font);
        } else if (tag == kPage && !inPage && in.Get(width) && in.Get(height) && IsPageSide(width) &&
                   IsPageSide(height)) {
            inPage = true;
            accepted = handler.OnBeginPage(width, height);
        } else if (tag == kRun && inPage && ReadRun(in, run)) {
            run.shaped = false;
            accepted = handler.OnRun(run);
        } else if (tag == kShapedRun && inPage && ReadShapedRun(in, run)) {
            accepted = handler.OnRun(run);
        } else if (tag == kEndPage && inPage) {
            inPage = false;
            accepted = handler.OnEndPage();
        }
        if (!accepted) {
            return "the print job is damaged";
        }
    }
}

} // namespace pf::printjob

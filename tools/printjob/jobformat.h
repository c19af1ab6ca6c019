#pragma once

// The print job that the text printer hands to the PDF printer, in the role a spooled page description
// plays on Windows: page after page of positioned glyphs, each glyph with the character it shows so the
// printer can make the text searchable, and each font named by its file before its first use. The job
// streams: a page can be printed as soon as it has arrived, so a job of any length needs only one page in
// memory.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pf::printjob {

struct Glyph {
    std::uint32_t index = 0; // glyph index in its font
    float x = 0;             // left edge, in points from the page's left edge
    char32_t ch = 0;         // the character the glyph shows
};

// A group of glyphs that together show a piece of text (a letter with its marks, a ligature, an Indic
// syllable): consecutive glyphs of a run and consecutive characters of its text.
struct Cluster {
    std::uint32_t glyphs = 0;
    std::uint32_t chars = 0;
};

// A glyph run: glyphs of one font on one baseline. A plain run has one glyph per character (in each
// glyph's ch); a shaped run comes from a shaping engine: its glyphs, in visual order, may sit above or
// below the baseline (rise, in points, one per glyph) and show the text cluster by cluster (the
// clusters in visual order, the characters of each in reading order).
struct Run {
    std::uint32_t font = 0;
    float size = 0; // in points
    float y = 0;    // baseline, in points from the page's top edge
    std::vector<Glyph> glyphs;
    bool shaped = false;
    bool rightToLeft = false;
    std::vector<float> rise;
    std::vector<Cluster> clusters;
    std::u32string text;
};

struct Font {
    std::uint32_t id = 0;
    std::string path;
    std::uint32_t faceIndex = 0;
};

// Writes a job into a sink in pieces of about 64 KB. Once the sink refuses data, every later call does
// nothing and Finish returns false.
class JobWriter {
public:
    using Sink = std::function<bool(std::string_view)>;
    explicit JobWriter(Sink sink);

    void DefineFont(const Font& font);
    void BeginPage(double width, double height);
    void AddRun(std::uint32_t font, float size, float y, const Glyph* glyphs, std::size_t count);
    // A shaped run (its font, size and baseline as given in the run).
    void AddShapedRun(const Run& run);
    void EndPage();
    // Marks the job complete and hands over what is left; false when the sink refused data.
    bool Finish();
    // False once the sink refused data: the rest of the job would go nowhere.
    bool Ok() const { return m_ok; }

private:
    void Put(const void* data, std::size_t size);
    void Flush();

    Sink m_sink;
    std::string m_buffer;
    bool m_ok = true;
};

// What a printer does with the records of a job, in order. A handler that cannot use a record (a font
// file it cannot load, a glyph its font does not have) returns false, which ends the job as damaged.
class JobHandler {
public:
    virtual ~JobHandler() = default;
    virtual bool OnFont(const Font& font) = 0;
    virtual bool OnBeginPage(double width, double height) = 0;
    virtual bool OnRun(const Run& run) = 0;
    virtual bool OnEndPage() = 0;
};

// Reads a job from a source (which fills a buffer and returns the bytes read, 0 at the end) and hands
// its records to the handler. Returns "" for a complete job, else why it is not one.
using Source = std::function<std::size_t(char* buffer, std::size_t size)>;
std::string ReadJob(const Source& source, JobHandler& handler);

} // namespace pf::printjob

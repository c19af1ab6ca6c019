// What the printed page shows: each line's words, rendered from the PDF, against the same words set by
// HarfBuzz in the face the line should use. A wrong or missing glyph, a wrong face or a wrong order of
// words changes the ink even when the text layer reads back right.

#include "drawnpage.h"
#include "pdfprinter.h"
#include "pdfwriter.h"
#include "shellcommand.h"
#include "temphome.h"

#include <gtest/gtest.h>

namespace pf {
namespace {

using test::Quote;
using test::RunShell;

constexpr int kDpi = 144;
constexpr double kPointSize = 10;
constexpr double kTopMargin = 72;                         // points
constexpr double kLinePitch = 2384.0 / 2048 * kPointSize; // DejaVu Sans Mono's line height
constexpr double kPixelsPerPoint = kDpi / 72.0;

struct DrawnWord {
    std::string text;
    std::string family; // the face it is drawn in
};

struct DrawnLine {
    std::string name;
    std::string typed;
    std::vector<DrawnWord> drawn; // left to right on the page
};

const std::string kMono = "DejaVu Sans Mono";

const DrawnLine kLines[] = {
    {"ascii",
     "Hello, plain ASCII world.",
     {{"Hello,", kMono}, {"plain", kMono}, {"ASCII", kMono}, {"world.", kMono}}},
    {"greek",
     "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1 "
     "\xCE\xBA\xCF\x8C\xCF\x83\xCE\xBC\xCE\xB5",
     {{"\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1", kMono},
      {"\xCE\xBA\xCF\x8C\xCF\x83\xCE\xBC\xCE\xB5", kMono}}},
    {"cyrillic",
     "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80!",
     {{"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82,", kMono}, {"\xD0\xBC\xD0\xB8\xD1\x80!", kMono}}},
    // Right to left with a number: the first word typed is drawn at the right.
    {"hebrew with a number",
     "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D 123 \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D",
     {{"\xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D", "Noto Sans Hebrew"},
      {"123", kMono},
      {"\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", "Noto Sans Hebrew"}}},
    {"arabic",
     "\xD8\xA7\xD9\x84\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85 \xD8\xB9\xD9\x84\xD9\x8A\xD9\x83\xD9\x85",
     {{"\xD8\xB9\xD9\x84\xD9\x8A\xD9\x83\xD9\x85", "Noto Sans Arabic"},
      {"\xD8\xA7\xD9\x84\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85", "Noto Sans Arabic"}}},
    {"cjk",
     "\xE4\xBD\xA0\xE5\xA5\xBD\xE4\xB8\x96\xE7\x95\x8C",
     {{"\xE4\xBD\xA0\xE5\xA5\xBD\xE4\xB8\x96\xE7\x95\x8C", "Noto Sans CJK JP"}}},
    {"devanagari",
     "\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87 "
     "\xE0\xA4\x95\xE0\xA4\xBF\xE0\xA4\xAF\xE0\xA4\xBE",
     {{"\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87", "Noto Sans Devanagari"},
      {"\xE0\xA4\x95\xE0\xA4\xBF\xE0\xA4\xAF\xE0\xA4\xBE", "Noto Sans Devanagari"}}},
    {"thai",
     "\xE0\xB8\xAA\xE0\xB8\xA7\xE0\xB8\xB1\xE0\xB8\xAA\xE0\xB8\x94\xE0\xB8\xB5 "
     "\xE0\xB8\x99\xE0\xB9\x89\xE0\xB8\xB3",
     {{"\xE0\xB8\xAA\xE0\xB8\xA7\xE0\xB8\xB1\xE0\xB8\xAA\xE0\xB8\x94\xE0\xB8\xB5", "Noto Sans Thai"},
      {"\xE0\xB8\x99\xE0\xB9\x89\xE0\xB8\xB3", "Noto Sans Thai"}}},
};

// Every line above printed on one page, a blank line between them, and each line's words compared by
// their ink with HarfBuzz's setting of the same words in the face each should be drawn in.
TEST(DrawnPage, EachWordIsDrawnWithTheGlyphsOfItsFaceInReadingOrder) {
    const test::TempHome home;
    const std::string bin = test::BinFolder();
    ASSERT_EQ(RunShell(Quote(bin + "/tarnwicke-pdf-writer") + " --install").exitCode, 0);
    std::string text;
    for (const DrawnLine& line : kLines) {
        text += line.typed + "\n\n";
    }
    const std::string input = home.WriteFile("in/lines.txt", text);
    const std::string pdf = home.Root() + "/lines.pdf";
    WritePdfWriterValue(kOutputFileValue, pdf);
    WritePdfWriterValue(kBypassSaveAsValue, "1");
    const test::Result print = RunShell(Quote(bin + "/plumavert-textprint") + " /p " + Quote(input));
    ASSERT_EQ(print.exitCode, 0) << print.output;

    const std::string scratch = home.MakeFolder("scratch");
    const test::GreyImage page = test::RenderPdfPage(pdf, 1, kDpi, scratch);
    ASSERT_GT(page.width, 0);
    for (std::size_t i = 0; i < std::size(kLines); ++i) {
        const DrawnLine& line = kLines[i];
        const double top = kTopMargin + (2.0 * static_cast<double>(i) - 0.5) * kLinePitch;
        const std::vector<test::PixelBox> words = test::InkedStretches(
            page, static_cast<int>(top * kPixelsPerPoint),
            static_cast<int>((top + 2 * kLinePitch) * kPixelsPerPoint), line.drawn.size());
        EXPECT_EQ(words.size(), line.drawn.size()) << line.name;
        if (words.size() != line.drawn.size()) {
            continue;
        }
        for (std::size_t w = 0; w < words.size(); ++w) {
            const test::FontFace face = test::FindFace(line.drawn[w].family);
            ASSERT_FALSE(face.file.empty()) << line.drawn[w].family;
            const test::GreyImage reference =
                test::RenderText(line.drawn[w].text, face, kPointSize, kDpi, scratch);
            ASSERT_GT(reference.width, 0) << line.drawn[w].text;
            EXPECT_EQ(test::InkMismatch(page, words[w], reference, test::InkBox(reference)), "")
                << line.name << ", word " << w + 1 << " from the left: " << line.drawn[w].text << " in "
                << line.drawn[w].family;
        }
    }
}

} // namespace
} // namespace pf

// The text printer and the PDF printer end to end: real programs, a temporary home, and the PDFs read
// back with poppler's tools.

#include "batchrun.h"
#include "memoryform.h"
#include "pdfstructure.h"
#include "pdfwriter.h"
#include "platform.h"
#include "printers.h"
#include "shellcommand.h"
#include "temphome.h"
#include "wordpad.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace pf {
namespace {

using test::Quote;
using test::Result;
using test::RunShell;
using test::Words;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (const char c : text) {
        if (c == '\n' || c == '\f') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    return lines;
}

// The value of one field of pdfinfo's report ("Pages", "Page size", "Title").
std::string PdfInfo(const std::string& pdf, const std::string& field) {
    EXPECT_TRUE(test::HasSoundPdfStructure(pdf));
    for (const auto& line : Lines(RunShell("pdfinfo " + Quote(pdf)).output)) {
        if (line.rfind(field + ":", 0) == 0) {
            return line.substr(line.find_first_not_of(' ', field.size() + 1));
        }
    }
    return {};
}

// The text pdftotext reads from a PDF, without the direction marks it puts around right-to-left text.
std::string PdfText(const std::string& pdf, const std::string& options = "") {
    std::string text = test::PdfText(pdf, "-enc UTF-8 " + options);
    for (const std::string mark : {"\u202A", "\u202B", "\u202C", "\u202D", "\u202E"}) {
        for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
            text.erase(at, mark.size());
        }
    }
    return text;
}

std::string WithoutSpaces(const std::string& text) {
    std::string out;
    for (const auto& word : Words(text)) {
        out += word;
    }
    return out;
}

// The folder names in a listing, for checking that nothing but the wanted files is left.
std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A one-object PDF, spoilt as a case asks: the entries' line end, the object's offset, startxref, /Size.
struct PdfFlaws {
    std::string entryEnd = " \n";
    int offsetShift = 0;
    int startShift = 0;
    int size = 2;
};
std::string SmallPdf(const PdfFlaws& flaws) {
    const std::string head = "%PDF-1.4\n";
    const std::string object = "1 0 obj\n<< >>\nendobj\n";
    const auto field = [](std::size_t value, int width) {
        std::string digits = std::to_string(value);
        return std::string(static_cast<std::size_t>(width) - digits.size(), '0') + digits;
    };
    const std::size_t xref = head.size() + object.size();
    return head + object + "xref\n0 2\n0000000000 65535 f" + flaws.entryEnd +
           field(head.size() + static_cast<std::size_t>(flaws.offsetShift), 10) + " 00000 n" +
           flaws.entryEnd + "trailer\n<< /Size " + std::to_string(flaws.size) +
           " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref + static_cast<std::size_t>(flaws.startShift)) + "\n%%EOF\n";
}

TEST(PdfStructureCheck, TakesASoundFileAndFindsEachFlawThatReadersForgive) {
    const test::TempHome home;
    const struct {
        const char* flaw;
        PdfFlaws flaws;
        bool sound;
    } cases[] = {
        {"none", {}, true},
        {"CR LF line ends", {"\r\n"}, true},
        {"19-byte entries", {"\n"}, false},
        {"an offset one byte late", {" \n", 1}, false},
        {"startxref one byte early", {" \n", 0, -1}, false},
        {"a /Size that misses the last object", {" \n", 0, 0, 1}, false},
    };
    for (const auto& c : cases) {
        const std::string path = home.WriteFile("check.pdf", SmallPdf(c.flaws));
        EXPECT_EQ(static_cast<bool>(test::HasSoundPdfStructure(path)), c.sound) << c.flaw;
    }
}

// A temporary home with the PDF printer installed as the default printer.
class Printing : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_bin.empty());
        ASSERT_EQ(Writer("--install").exitCode, 0);
        m_out = m_home.MakeFolder("out");
    }
    // Every PDF a test leaves behind is also sound by qpdf's check.
    void TearDown() override {
        for (const auto& entry : fs::recursive_directory_iterator(m_out)) {
            const std::string path = entry.path().string();
            if (entry.is_regular_file() && test::ReadFile(path).rfind("%PDF-", 0) == 0) {
                const Result check = RunShell("qpdf --check " + Quote(path));
                EXPECT_EQ(check.exitCode, 0) << path << "\n" << check.output;
            }
        }
    }

    Result Writer(const std::string& arguments) {
        return RunShell(Quote(m_bin + "/tarnwicke-pdf-writer") + " " + arguments);
    }
    Result Print(const std::string& file, const std::string& environment = "") {
        return RunShell(environment + " " + Quote(m_bin + "/plumavert-textprint") + " /p " + Quote(file));
    }
    void Target(const std::string& outputFile, const std::string& bypass = "1") {
        WritePdfWriterValue(kOutputFileValue, outputFile);
        WritePdfWriterValue(kBypassSaveAsValue, bypass);
    }

    test::TempHome m_home;
    std::string m_bin = test::BinFolder();
    std::string m_out;
};

// ---------------------------------------------------------------- installing

TEST_F(Printing, TheBuildRegistersTheTextPrinterBesideTheProgram) {
    platform::OverrideProgramFolder(m_bin);
    EXPECT_EQ(GetWordPadPath(), "\"" + m_bin + "/plumavert-textprint\"");
    platform::OverrideProgramFolder("");
}

TEST_F(Printing, InstallAndUninstallCanBeRepeated) {
    EXPECT_EQ(Writer("--install").exitCode, 0);
    ASSERT_EQ(platform::InstalledPrinters().size(), 1u);
    EXPECT_EQ(platform::InstalledPrinters()[0].name, kPdfPrinterName);
    EXPECT_EQ(platform::InstalledPrinters()[0].port, kPdfPrinterPort);
    EXPECT_EQ(platform::DefaultPrinterName(), kPdfPrinterName);
    EXPECT_EQ(Writer("--uninstall").exitCode, 0);
    EXPECT_EQ(Writer("--uninstall").exitCode, 0);
    EXPECT_TRUE(platform::InstalledPrinters().empty());
}

TEST_F(Printing, InstallingKeepsAnotherDefaultPrinter) {
    ASSERT_EQ(Writer("--uninstall").exitCode, 0);
    platform::AddPrinter({"Office Laser", "lp0:"});
    EXPECT_EQ(Writer("--install").exitCode, 0);
    EXPECT_EQ(platform::DefaultPrinterName(), "Office Laser");
    EXPECT_EQ(Writer("--bogus").exitCode, 2);
}

// ---------------------------------------------------------------- the corpus

struct Sample {
    std::string name;
    std::string bytes;
    std::string text; // what the PDF's text reads, as UTF-8
    int pages = 1;
};

void PrintTo(const Sample& sample, std::ostream* out) {
    *out << sample.name;
}

std::string Utf16Le(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string Utf16Be(const std::u16string& text) {
    std::string bytes = "\xFE\xFF";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit >> 8);
        bytes += static_cast<char>(unit & 0xFF);
    }
    return bytes;
}

std::string Utf16LeWithoutBom(const std::u16string& text) {
    return Utf16Le(text).substr(2);
}

std::string Utf16BeWithoutBom(const std::u16string& text) {
    return Utf16Be(text).substr(2);
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

const Sample kCorpus[] = {
    {"ascii", "Hello, plain ASCII world.\nSecond line: 1 + 2 = 3.\n",
     "Hello, plain ASCII world. Second line: 1 + 2 = 3."},
    {"tabs", "name\tvalue\n\tindented\n", "name value indented"},
    {"longline", Repeat("lorem ipsum ", 25) + "\n", Repeat("lorem ipsum ", 25)},
    {"formfeeds", "first\fsecond\f\ffourth\n", "first second fourth", 4},
    {"lineends", "one\r\ntwo\rthree\nfour", "one two three four"},
    {"latin", "Caf\xC3\xA9 na\xC3\xAFve r\xC3\xA9sum\xC3\xA9 \xC3\x85ngstr\xC3\xB6m \xE2\x82\xAC 5\n",
     "Caf\xC3\xA9 na\xC3\xAFve r\xC3\xA9sum\xC3\xA9 \xC3\x85ngstr\xC3\xB6m \xE2\x82\xAC 5"},
    {"greek",
     "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1 "
     "\xCE\xBA\xCF\x8C\xCF\x83\xCE\xBC\xCE\xB5\n",
     "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1 "
     "\xCE\xBA\xCF\x8C\xCF\x83\xCE\xBC\xCE\xB5"},
    {"cyrillic", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80!\n",
     "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80!"},
    {"cjk",
     "\xE4\xBD\xA0\xE5\xA5\xBD\xE4\xB8\x96\xE7\x95\x8C "
     "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF\n",
     "\xE4\xBD\xA0\xE5\xA5\xBD\xE4\xB8\x96\xE7\x95\x8C "
     "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF"},
    {"utf16le", Utf16Le(u"Greek \u03B1\u03B2\u03B3 and \u4E2D\u6587\r\n"),
     "Greek \xCE\xB1\xCE\xB2\xCE\xB3 and \xE4\xB8\xAD\xE6\x96\x87"},
    {"utf16be", Utf16Be(u"Big end \u00E9\n"), "Big end \xC3\xA9"},
    {"windows1252", "na\xEFve caf\xE9 \x80 \x93quoted\x94\n",
     "na\xC3\xAFve caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D"},
    {"utf16le_without_bom", Utf16LeWithoutBom(u"Greek \u03B1\u03B2 caf\u00E9\n"),
     "Greek \xCE\xB1\xCE\xB2 caf\xC3\xA9"},
    {"utf16be_without_bom", Utf16BeWithoutBom(u"Big end \u00E9\n"), "Big end \xC3\xA9"},
    {"utf16be_without_bom_one_hebrew_word",
     Utf16BeWithoutBom(u"Mostly English, and one Hebrew word last: \u05E9\u05DC\u05D5\u05DD\n"),
     "Mostly English, and one Hebrew word last: \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"},
    {"utf16le_without_bom_one_hebrew_word",
     Utf16LeWithoutBom(u"Mostly English, and one Hebrew word last: \u05E9\u05DC\u05D5\u05DD\n"),
     "Mostly English, and one Hebrew word last: \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"},
    {"utf8_cut_off_at_the_end", "caf\xC3", "caf\xC3\x83"},
    {"hebrew", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D\n",
     "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D"},
    {"arabic", "\xD8\xA7\xD9\x84\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85 \xD8\xB9\xD9\x84\xD9\x8A\xD9\x83\xD9\x85\n",
     "\xD8\xA7\xD9\x84\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85 \xD8\xB9\xD9\x84\xD9\x8A\xD9\x83\xD9\x85"},
    {"devanagari",
     "\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87 \xE0\xA4\x95\xE0\xA4\xBF\n",
     "\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87 \xE0\xA4\x95\xE0\xA4\xBF"},
    {"thai", "\xE0\xB8\xAA\xE0\xB8\xA7\xE0\xB8\xB1\xE0\xB8\xAA\xE0\xB8\x94\xE0\xB8\xB5\n",
     "\xE0\xB8\xAA\xE0\xB8\xA7\xE0\xB8\xB1\xE0\xB8\xAA\xE0\xB8\x94\xE0\xB8\xB5"},
    {"combining_accent", "e\xCC\x81t\xC3\xA9\n", "e\xCC\x81t\xC3\xA9"},
    {"empty", "", ""},
    {"nuls",
     std::string("a\0b\0\0c \x01\x7F"
                 "d\n",
                 11),
     "abc d"},
};

class PrintingCorpus : public Printing, public testing::WithParamInterface<Sample> {};

TEST_P(PrintingCorpus, PrintsTheTextAsAPdfWithEmbeddedSubsetFonts) {
    const Sample& sample = GetParam();
    const std::string input = m_home.WriteFile("in/" + sample.name + ".txt", sample.bytes);
    const std::string pdf = m_out + "/" + sample.name + ".pdf";
    Target(m_out + "//" + sample.name + ".pdf"); // a doubled separator, as a folder ending in "/" gives

    const Result result = Print(input);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(Listing(m_out), std::vector<std::string>{sample.name + ".pdf"});
    EXPECT_EQ(PdfInfo(pdf, "Pages"), std::to_string(sample.pages));
    EXPECT_EQ(PdfInfo(pdf, "Page size"), "595.276 x 841.89 pts (A4)");
    EXPECT_EQ(PdfInfo(pdf, "Title"), sample.name);
    EXPECT_EQ(Words(PdfText(pdf)), Words(sample.text));

    const std::vector<std::string> fonts = Lines(RunShell("pdffonts " + Quote(pdf)).output);
    ASSERT_GE(fonts.size(), 2u);
    for (std::size_t i = 2; i < fonts.size(); ++i) {
        EXPECT_NE(fonts[i].find("yes yes yes"), std::string::npos) << fonts[i]; // embedded, subset, mapped
    }
    if (!sample.text.empty()) {
        EXPECT_GE(fonts.size(), 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, PrintingCorpus, testing::ValuesIn(kCorpus),
                         [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- layout

std::vector<std::string> LayoutLines(const std::string& pdf) {
    return Lines(test::PdfText(pdf, "-layout -enc UTF-8"));
}

// DejaVu Sans Mono at 10 points: columns 6.0205 points wide.
constexpr double kColumnWidth = 1233.0 / 2048 * 10;

struct PlacedWord {
    std::string text;
    double left = 0;  // points from the page's left edge
    double top = 0;   // points from the page's top edge
    double right = 0; // points from the page's left edge
};

// The words of the first page with their boxes, as pdftotext finds them.
std::vector<PlacedWord> PlacedWords(const std::string& pdf) {
    std::vector<PlacedWord> words;
    for (const auto& line : Lines(test::PdfText(pdf, "-l 1 -bbox"))) {
        const auto xMin = line.find("xMin=\"");
        const auto yMin = line.find("yMin=\"");
        const auto xMax = line.find("xMax=\"");
        const auto text = line.find('>');
        if (xMin != std::string::npos && yMin != std::string::npos && xMax != std::string::npos &&
            text != std::string::npos) {
            words.push_back({line.substr(text + 1, line.find('<', text) - text - 1),
                             std::stod(line.substr(xMin + 6)), std::stod(line.substr(yMin + 6)),
                             std::stod(line.substr(xMax + 6))});
        }
    }
    return words;
}

TEST_F(Printing, TextStartsAtTheMarginsAndTabsStopAtEveryEighthColumn) {
    const std::string input = m_home.WriteFile("in/t.txt", "a\tbc\tdef\r\n\tx\rlast\n");
    Target(m_out + "/t.pdf");
    ASSERT_EQ(Print(input).exitCode, 0);
    // Lines 11.6406 points apart; the margins are 1.25 inches left and right, 1 inch at the top.
    const auto column = [](int n) { return 90 + n * kColumnWidth; };
    const auto line = [](int n) { return 72 + n * 2384.0 / 2048 * 10; };
    const std::vector<std::tuple<std::string, double, double>> expected = {{"a", column(0), line(0)},
                                                                           {"bc", column(8), line(0)},
                                                                           {"def", column(16), line(0)},
                                                                           {"x", column(8), line(1)},
                                                                           {"last", column(0), line(2)}};
    const auto words = PlacedWords(m_out + "/t.pdf");
    ASSERT_EQ(words.size(), expected.size());
    for (const auto& [text, left, top] : expected) {
        const auto found =
            std::find_if(words.begin(), words.end(), [&](const auto& w) { return w.text == text; });
        ASSERT_NE(found, words.end()) << text;
        EXPECT_NEAR(found->left, left, 0.01) << text;
        EXPECT_NEAR(found->top, top, 0.05) << text;
    }
}

// The space between words of different scripts or directions is a whole column wide, whatever face the
// words are set in: the page shows the gap, and a viewer finds the words apart.
TEST_F(Printing, WordsOfOtherScriptsStandAColumnApart) {
    const std::string lines[] = {
        "The word: \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D in it.",
        "Arabic \xD9\x83\xD8\xAA\xD8\xA7\xD8\xA8 and more",
        "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D world \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D",
    };
    for (const auto& line : lines) {
        const std::string input = m_home.WriteFile("in/gap.txt", line + "\n");
        Target(m_out + "/gap.pdf");
        ASSERT_EQ(Print(input).exitCode, 0);
        auto words = PlacedWords(m_out + "/gap.pdf");
        ASSERT_EQ(words.size(), Words(line).size()) << line;
        std::sort(words.begin(), words.end(), [](const auto& a, const auto& b) { return a.left < b.left; });
        for (std::size_t i = 1; i < words.size(); ++i) {
            EXPECT_NEAR(words[i].left - words[i - 1].right, kColumnWidth, 0.01)
                << line << ": between " << words[i - 1].text << " and " << words[i].text;
        }
    }
}

TEST_F(Printing, LongLinesWrapAtWordsAndAWordLongerThanALineIsBroken) {
    const std::string words = Repeat("word ", 30); // 150 characters
    const std::string longWord(150, 'x');
    const std::string input = m_home.WriteFile("in/w.txt", words + "\n" + longWord + "\n");
    Target(m_out + "/w.pdf");
    ASSERT_EQ(Print(input).exitCode, 0);
    std::vector<std::string> lines;
    for (const auto& line : LayoutLines(m_out + "/w.pdf")) {
        if (!line.empty()) {
            lines.push_back(line.substr(0, line.find_last_not_of(' ') + 1));
        }
    }
    // 68 columns fit between the margins of A4 paper.
    const std::string fullLine = Repeat("word ", 12) + "word";
    EXPECT_EQ(lines,
              (std::vector<std::string>{fullLine, fullLine, Repeat("word ", 3) + "word", std::string(68, 'x'),
                                        std::string(68, 'x'), std::string(14, 'x')}));
}

TEST_F(Printing, AFullPageGoesOnToTheNextOne) {
    std::string text;
    for (int i = 1; i <= 60; ++i) {
        text += "line " + std::to_string(i) + "\n";
    }
    const std::string input = m_home.WriteFile("in/p.txt", text);
    Target(m_out + "/p.pdf");
    ASSERT_EQ(Print(input).exitCode, 0);
    EXPECT_EQ(PdfInfo(m_out + "/p.pdf", "Pages"), "2");
    EXPECT_EQ(Words(test::PdfText(m_out + "/p.pdf", "-f 2 -l 2")), (std::vector<std::string>{"line", "60"}));
}

TEST_F(Printing, TheUsersLocaleChoosesLetterPaper) {
    const struct {
        std::string environment;
        std::string size;
    } cases[] = {
        {"LC_ALL= LC_PAPER=en_US.UTF-8 LANG=C.UTF-8", "612 x 792 pts (letter)"},
        {"LC_ALL= LC_PAPER= LANG=fr_CA.UTF-8", "612 x 792 pts (letter)"},
        {"LC_ALL=de_DE.UTF-8 LC_PAPER=en_US.UTF-8", "595.276 x 841.89 pts (A4)"},
        {"LC_ALL= LC_PAPER=en_GB.UTF-8 LANG=en_US.UTF-8", "595.276 x 841.89 pts (A4)"},
    };
    const std::string input = m_home.WriteFile("in/l.txt", "paper\n");
    for (const auto& c : cases) {
        Target(m_out + "/l.pdf");
        ASSERT_EQ(Print(input, "env " + c.environment).exitCode, 0);
        EXPECT_EQ(PdfInfo(m_out + "/l.pdf", "Page size"), c.size) << c.environment;
    }
}

// ---------------------------------------------------------------- the output file

// An existing file is replaced whole and keeps its permissions, so that a private file stays private; a
// new file (mode 0 below) gets those the user's umask gives.
TEST_F(Printing, AnExistingFileIsReplacedWholeAndKeepsItsMode) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const std::string input = m_home.WriteFile("in/report.txt", "new report\n");
    const mode_t modes[] = {0, 0666 & ~mask, 0600, 0444};
    for (std::size_t i = 0; i < std::size(modes); ++i) {
        const std::string pdf = m_out + "/" + std::to_string(i) + ".pdf";
        if (modes[i] != 0) {
            ::chmod(m_home.WriteFile("out/" + std::to_string(i) + ".pdf", "an old report").c_str(), modes[i]);
        }
        Target(pdf);
        ASSERT_EQ(Print(input).exitCode, 0) << i;
        EXPECT_TRUE(test::HasSoundPdfStructure(pdf)) << i;
        struct stat st {};
        ASSERT_EQ(::stat(pdf.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, modes[i] == 0 ? 0666 & ~mask : modes[i]) << i;
    }
    EXPECT_EQ(Listing(m_out).size(), std::size(modes));
}

TEST_F(Printing, AMissingFolderFailsThePrintWithItsReason) {
    const std::string input = m_home.WriteFile("in/a.txt", "text\n");
    Target(m_out + "/gone/a.pdf");
    const Result result = Print(input);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "plumavert-textprint: cannot print " + input +
                                 ": Tarnwicke PDF Writer: cannot write " + m_out +
                                 "/gone/a.pdf: the folder " + m_out + "/gone does not exist\n");
    EXPECT_TRUE(Listing(m_out).empty());
}

TEST_F(Printing, AReadOnlyFolderFailsThePrintAndLeavesNothing) {
    const std::string input = m_home.WriteFile("in/a.txt", "text\n");
    const std::string folder = m_home.MakeFolder("out/locked");
    Target(folder + "/a.pdf");
    std::string runAs;
    if (::geteuid() == 0) {
        // Root writes anywhere: the print runs as nobody, who owns the temporary home but not the folder's
        // write permission.
        ASSERT_EQ(RunShell("chown -R 65534:65534 " + Quote(m_home.Root()) + " && chmod 0755 " +
                           Quote(m_home.Root()))
                      .exitCode,
                  0);
        runAs = "setpriv --reuid=65534 --regid=65534 --clear-groups";
    }
    ::chmod(folder.c_str(), 0555);
    const Result result = Print(input, runAs);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "plumavert-textprint: cannot print " + input +
                                 ": Tarnwicke PDF Writer: cannot write " + folder + "/a.pdf: the folder " +
                                 folder + " is read-only\n");
    EXPECT_TRUE(Listing(folder).empty());
}

// A job with one font and one page holding one shaped run of one glyph whose cluster claims the given number
// of glyphs.
std::string ShapedRunJob(std::uint32_t clusterGlyphs) {
    const std::string font = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
    std::string job = "PFJOB1\nF";
    const auto put = [&job](const auto& value) {
        job.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    put(std::uint32_t{0}); // font id, face index, path
    put(std::uint32_t{0});
    put(static_cast<std::uint32_t>(font.size()));
    job += font + "P";
    put(512.0);
    put(512.0);
    job += 'S';
    put(std::uint32_t{0}); // font
    put(10.0f);            // size
    put(100.0f);           // baseline
    put(std::uint8_t{0});  // left to right
    put(std::uint32_t{1}); // glyphs: index, x, rise
    put(std::uint32_t{3});
    put(90.0f);
    put(0.0f);
    put(std::uint32_t{1}); // clusters: glyphs, characters
    put(clusterGlyphs);
    put(std::uint32_t{1});
    put(std::uint32_t{1}); // text
    put(U'a');
    return job + "EZ";
}

TEST_F(Printing, AJobThatBreaksOffLeavesTheOldFileAndNoPartialOne) {
    const std::string pdf = m_home.WriteFile("out/keep.pdf", "the old file");
    Target(pdf);
    const struct {
        std::string job;
        std::string reason;
    } cases[] = {
        {"", "the print job ended before it was complete"},
        {"not a print job at all", "the print job is not in a format this printer knows"},
        {std::string("PFJOB1\nP", 8) + std::string(16, '\0'), "the print job is damaged"},
        {std::string("PFJOB1\nP") + std::string("\0\0\0\0\0\0\x80\x40\0\0\0\0\0\0\x80\x40", 16) + "E",
         "the print job ended before it was complete"},
        {ShapedRunJob(2), "the print job is damaged"}, // its clusters claim two glyphs of one
    };
    for (const auto& c : cases) {
        const std::string jobFile = m_home.WriteFile("job", c.job);
        const Result result = Writer("--print doc < " + Quote(jobFile));
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.output, "Tarnwicke PDF Writer: " + c.reason + "\n");
        EXPECT_EQ(test::ReadFile(pdf), "the old file");
        EXPECT_EQ(Listing(m_out), std::vector<std::string>{"keep.pdf"});
    }
}

TEST_F(Printing, APrinterKilledInTheMiddleOfAJobLeavesNothing) {
    Target(m_out + "/killed.pdf");
    int input[2];
    ASSERT_EQ(::pipe(input), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(input[0], STDIN_FILENO);
        ::close(input[1]);
        const std::string program = m_bin + "/tarnwicke-pdf-writer";
        ::execl(program.c_str(), program.c_str(), "--print", "doc", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(input[0]);
    ASSERT_EQ(::write(input[1], "PFJOB1\n", 7), 7);
    // Wait until the printer has its output file open in the folder, then kill it.
    bool open = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!open && std::chrono::steady_clock::now() < deadline) {
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
            open = open || fs::read_symlink(fd.path(), ec).string().rfind(m_out, 0) == 0;
        }
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ::close(input[1]);
    EXPECT_TRUE(open);
    EXPECT_TRUE(Listing(m_out).empty());
}

// ---------------------------------------------------------------- the Save As dialog

TEST_F(Printing, WithoutBypassAndWithoutADisplayThePrintFails) {
    const std::string input = m_home.WriteFile("in/a.txt", "text\n");
    for (const std::string bypass : {"0", "", " 1", "1 "}) {
        Target(m_out + "/a.pdf", bypass);
        const Result result = Print(input, "env -u DISPLAY -u WAYLAND_DISPLAY");
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.output,
                  "plumavert-textprint: cannot print " + input +
                      ": Tarnwicke PDF Writer: BypassSaveAs is not \"1\" and there is no display to "
                      "ask for a file name on\n");
    }
    EXPECT_TRUE(Listing(m_out).empty());
}

TEST_F(Printing, WithoutBypassTheSaveAsDialogChoosesTheFile) {
    // Both programs copied beside a stand-in dialog that answers at once.
    const std::string bin = m_home.MakeFolder("bin");
    for (const char* program : {"plumavert-textprint", "tarnwicke-pdf-writer"}) {
        fs::copy_file(m_bin + "/" + program, bin + "/" + program);
    }
    const std::string chosen = m_out + "/chosen.pdf";
    const std::string dialog =
        m_home.WriteFile("bin/tarnwicke-pdf-writer-saveas",
                         "#!/bin/sh\necho \"$1\" > " + Quote(m_home.Root() + "/suggested") + "\n[ -f " +
                             Quote(m_home.Root() + "/cancel") + " ] && exit 1\necho " + Quote(chosen) + "\n");
    ::chmod(dialog.c_str(), 0755);
    const std::string input = m_home.WriteFile("in/a.txt", "text\n");
    Target(m_out + "/suggested.pdf", "0");
    const auto print = [&] {
        return RunShell("DISPLAY=:77 " + Quote(bin + "/plumavert-textprint") + " /p " + Quote(input));
    };

    ASSERT_EQ(print().exitCode, 0);
    EXPECT_EQ(test::ReadFile(m_home.Root() + "/suggested"), m_out + "/suggested.pdf\n");
    EXPECT_EQ(Listing(m_out), std::vector<std::string>{"chosen.pdf"});
    EXPECT_EQ(PdfInfo(chosen, "Title"), "chosen");

    m_home.WriteFile("cancel", "");
    const Result cancelled = print();
    EXPECT_EQ(cancelled.exitCode, 1);
    EXPECT_EQ(cancelled.output, "plumavert-textprint: cannot print " + input +
                                    ": Tarnwicke PDF Writer: the Save As dialog was cancelled\n");
}

// ---------------------------------------------------------------- the text printer's own failures

TEST_F(Printing, TheTextPrinterSaysWhyItCannotPrint) {
    const std::string input = m_home.WriteFile("in/a.txt", "text\n");
    Target(m_out + "/a.pdf");
    const Result missing = Print(m_home.Root() + "/in/missing.txt");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.output, "plumavert-textprint: cannot print " + m_home.Root() +
                                  "/in/missing.txt: No such file or directory\n");

    const Result folder = Print(m_home.Root() + "/in");
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_EQ(folder.output,
              "plumavert-textprint: cannot print " + m_home.Root() + "/in: it is not a regular file\n");

    Target("");
    const Result noTarget = Print(input);
    EXPECT_EQ(noTarget.exitCode, 1);
    EXPECT_EQ(noTarget.output, "plumavert-textprint: cannot print " + input +
                                   ": Tarnwicke PDF Writer: no output file is set (OutputFile is empty)\n");

    platform::AddPrinter({"Office Laser", "lp0:"});
    ASSERT_TRUE(platform::MakeDefaultPrinter("Office Laser"));
    const Result unknownPort = Print(input);
    EXPECT_EQ(unknownPort.exitCode, 1);
    EXPECT_EQ(unknownPort.output, "plumavert-textprint: cannot print " + input +
                                      ": the default printer Office Laser is on the unknown port \"lp0:\"\n");

    ASSERT_EQ(Writer("--uninstall").exitCode, 0);
    platform::RemovePrinter("Office Laser");
    const Result noPrinter = Print(input);
    EXPECT_EQ(noPrinter.exitCode, 1);
    EXPECT_EQ(noPrinter.output,
              "plumavert-textprint: cannot print " + input + ": there is no default printer\n");

    EXPECT_EQ(RunShell(Quote(m_bin + "/plumavert-textprint")).exitCode, 2);
    EXPECT_TRUE(Listing(m_out).empty());
}

// ---------------------------------------------------------------- two windows at once

// Two windows converting at once, each its own files into its own folder under the same names. The PDF
// printer's values steer one job at a time, so the runs take turns file by file and every PDF carries its
// own input's text under its own name.
TEST_F(Printing, TwoRunsAtOnceEachWriteTheirOwnFilesUnderTheirOwnNames) {
    platform::OverrideProgramFolder(m_bin);
    platform::AddPrinter({"Office Laser", "lp0:"});
    ASSERT_TRUE(platform::MakeDefaultPrinter("Office Laser"));
    constexpr int kFiles = 4;
    const auto text = [](int window, int file) {
        return "window " + std::to_string(window) + " file " + std::to_string(file);
    };
    pid_t runs[2] = {};
    for (int w = 0; w < 2; ++w) {
        std::vector<std::string> inputs;
        for (int f = 0; f < kFiles; ++f) {
            inputs.push_back(
                m_home.WriteFile("in" + std::to_string(w) + "/f" + std::to_string(f) + ".txt", text(w, f)));
        }
        const std::string out = m_home.MakeFolder("out" + std::to_string(w));
        runs[w] = ::fork();
        ASSERT_GE(runs[w], 0);
        if (runs[w] == 0) {
            test::MemoryForm window;
            window.sleepForReal = true;
            window.SetText1(out);
            window.SetText2("0");
            window.SetRows(inputs);
            BatchRun().PushButton2_Click(window);
            ::_exit(window.ui.MessageTexts() == std::vector<std::string>{"Done."} ? 0 : 1);
        }
    }
    for (const pid_t run : runs) {
        int status = -1;
        ::waitpid(run, &status, 0);
        EXPECT_EQ(status, 0);
    }
    for (int w = 0; w < 2; ++w) {
        for (int f = 0; f < kFiles; ++f) {
            const std::string pdf =
                m_home.Root() + "/out" + std::to_string(w) + "/f" + std::to_string(f) + ".pdf";
            EXPECT_EQ(Words(PdfText(pdf)), Words(text(w, f))) << pdf;
        }
    }
    EXPECT_EQ(platform::DefaultPrinterName(), "Office Laser");
    EXPECT_EQ(platform::ReadStoredValue(platform::Store::PdfWriter, kOutputFileValue), std::nullopt);
    platform::OverrideProgramFolder("");
}

// ---------------------------------------------------------------- every script

// The glyph numbers a page shows, in drawing order: the two-byte codes of its TJ strings.
std::vector<unsigned> DrawnGlyphs(const std::string& pdf, const std::string& scratch) {
    RunShell("qpdf --qdf --normalize-content=n --object-streams=disable " + Quote(pdf) + " " +
             Quote(scratch));
    const std::string file = test::ReadFile(scratch);
    const std::size_t begin = file.find("BT\n", file.find("%% Contents for page 1"));
    const std::string content = file.substr(begin, file.find("\nET", begin) - begin);
    std::vector<unsigned> glyphs;
    std::string bytes;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] != '(') {
            continue;
        }
        for (++i; content[i] != ')'; ++i) {
            char c = content[i];
            if (c == '\\') {
                c = content[++i] == 'n' ? '\n' : content[i] == 'r' ? '\r' : content[i];
            }
            bytes += c;
        }
    }
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        glyphs.push_back(static_cast<unsigned char>(bytes[i]) << 8 |
                         static_cast<unsigned char>(bytes[i + 1]));
    }
    return glyphs;
}

// The glyph numbers HarfBuzz's own shaping tool gives for the text in the PDF's only font.
std::vector<unsigned> ReferenceGlyphs(const std::string& pdf, const std::string& textFile) {
    const std::vector<std::string> fonts = Lines(RunShell("pdffonts " + Quote(pdf)).output);
    EXPECT_EQ(fonts.size(), 3u);
    const std::string subsetName = Words(fonts.back())[0];
    const std::string name = subsetName.substr(subsetName.find('+') + 1);
    const auto file = Lines(RunShell("fc-list -f '%{file}\\n%{index}\\n' :postscriptname=" + name).output);
    EXPECT_GE(file.size(), 2u) << name;
    const std::string shaped =
        RunShell("hb-shape --no-glyph-names --no-positions --no-clusters --face-index=" + file[1] + " " +
                 Quote(file[0]) + " --text-file=" + Quote(textFile))
            .output;
    std::vector<unsigned> glyphs; // "[12|34|56]"
    for (std::size_t at = 0; at < shaped.size() && shaped[at] != ']' && shaped[at] != '\n';
         at = shaped.find_first_of("|]\n", at + 1)) {
        glyphs.push_back(static_cast<unsigned>(std::stoul(shaped.substr(at + 1))));
    }
    return glyphs;
}

// Right-to-left lines drawn right to left, Arabic letters joined, Indic and Thai syllables formed: the
// glyphs drawn are the ones an independent shaping of the same text in the same font gives.
TEST_F(Printing, ComplexScriptsAreDrawnWithTheGlyphsTheirFontShapes) {
    const struct {
        std::string name;
        std::string text;
    } cases[] = {
        {"hebrew", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D"},
        {"arabic",
         "\xD8\xA7\xD9\x84\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85 \xD8\xB9\xD9\x84\xD9\x8A\xD9\x83\xD9\x85 "
         "\xD9\x84\xD8\xA7"},
        {"devanagari",
         "\xE0\xA4\x95\xE0\xA5\x8D\xE0\xA4\xB7\xE0\xA4\xA4\xE0\xA5\x8D\xE0\xA4\xB0\xE0\xA4\xBF"
         "\xE0\xA4\xAF \xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87"},
        {"thai", "\xE0\xB8\xAA\xE0\xB8\xA7\xE0\xB8\xB1\xE0\xB8\xAA\xE0\xB8\x94\xE0\xB8\xB5 "
                 "\xE0\xB8\x99\xE0\xB9\x89\xE0\xB8\xB3"},
    };
    for (const auto& c : cases) {
        const std::string input = m_home.WriteFile("in/" + c.name + ".txt", c.text + "\n");
        const std::string pdf = m_out + "/" + c.name + ".pdf";
        Target(pdf);
        ASSERT_EQ(Print(input).exitCode, 0) << c.name;
        const std::vector<unsigned> reference = ReferenceGlyphs(pdf, input);
        EXPECT_FALSE(reference.empty()) << c.name;
        EXPECT_EQ(DrawnGlyphs(pdf, m_home.Root() + "/qdf.pdf"), reference) << c.name;
        EXPECT_EQ(Words(PdfText(pdf)), Words(c.text)) << c.name;
    }
}

// The text read back from the PDF is the text as typed, right-to-left words and lines included, however
// the lines wrap. (pdftotext takes the direction of most of a page's letters for all of its lines, so a
// left-to-right line with right-to-left words in it is checked on a page of mostly Latin text.)
TEST_F(Printing, TextComesBackInTypingOrder) {
    const std::string hebrew = "\xD7\x90\xD7\x97\xD7\xAA \xD7\xA9\xD7\xAA\xD7\x99\xD7\x99\xD7\x9D "
                               "\xD7\xA9\xD7\x9C\xD7\x95\xD7\xA9 \xD7\x90\xD7\xA8\xD7\x91\xD7\xA2 ";
    const std::string arabic = "\xD9\x83\xD8\xAA\xD8\xA7\xD8\xA8 \xD9\x84\xD8\xA7 \xD9\x85\xD8\xA7\xD8\xA1 ";
    const std::string texts[] = {
        "one " + hebrew + "two\n" + Repeat("latin words to fill the page ", 20) + "\n",
        Repeat(hebrew, 8) + "\n" + Repeat(arabic, 12) + "\n",
        Repeat("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D 123 \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D\n", 6),
    };
    for (const auto& text : texts) {
        const std::string input = m_home.WriteFile("in/order.txt", text);
        Target(m_out + "/order.pdf");
        ASSERT_EQ(Print(input).exitCode, 0);
        EXPECT_EQ(WithoutSpaces(PdfText(m_out + "/order.pdf")), WithoutSpaces(text));
        EXPECT_GT(Lines(PdfText(m_out + "/order.pdf")).size(), 3u); // the long lines wrapped
    }
}

// Direction controls nested far deeper than the bidirectional algorithm allows print like any line; the
// text around them reads back (the controls themselves may come back in the text too).
TEST_F(Printing, DirectionControlsNestedBeyondTheDeepestLevelPrint) {
    const std::string controls = "\u202E\u202D\u202A\u202B\u202C\u2066\u2067\u2068\u2069";
    for (const int times : {24, 30}) {
        const std::string input =
            m_home.WriteFile("in/nested.txt", "Hello " + Repeat(controls, times) + " world\n");
        Target(m_out + "/nested.pdf");
        const Result result = Print(input);
        ASSERT_EQ(result.exitCode, 0) << times << result.output;
        std::string text = PdfText(m_out + "/nested.pdf");
        for (std::size_t at = 0; (at = text.find('\xE2', at)) != std::string::npos;) {
            text.replace(at, 3, " "); // every control is three bytes in UTF-8
        }
        EXPECT_EQ(Words(text), Words("Hello world")) << times;
    }
}

// A word of Devanagari syllables longer than a line breaks between syllables, never inside one.
TEST_F(Printing, WrappingNeverSplitsACluster) {
    const std::string syllable = "\xE0\xA4\x95\xE0\xA5\x8D\xE0\xA4\xB7\xE0\xA4\xBF"; // ka, virama, ssa, i
    const std::string input = m_home.WriteFile("in/k.txt", Repeat(syllable, 120) + "\n");
    Target(m_out + "/k.pdf");
    ASSERT_EQ(Print(input).exitCode, 0);
    const std::vector<std::string> lines = Words(PdfText(m_out + "/k.pdf"));
    ASSERT_GT(lines.size(), 1u);
    std::string all;
    for (const auto& line : lines) {
        EXPECT_EQ(line.size() % syllable.size(), 0u) << line;
        EXPECT_EQ(line, Repeat(syllable, static_cast<int>(line.size() / syllable.size())));
        all += line;
    }
    EXPECT_EQ(all, Repeat(syllable, 120));
}

// A letter whose mark the monospace face lacks is drawn, with its mark, from a face that has both.
TEST_F(Printing, AClusterTakesAFontThatHasAllOfIt) {
    const std::string input = m_home.WriteFile("in/mark.txt", "a\xD2\x87\n"); // a, combining pokrytie
    Target(m_out + "/mark.pdf");
    const Result result = Print(input);
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
    const std::vector<unsigned> glyphs = DrawnGlyphs(m_out + "/mark.pdf", m_home.Root() + "/qdf.pdf");
    EXPECT_EQ(glyphs.size(), 2u);
    EXPECT_EQ(std::count(glyphs.begin(), glyphs.end(), 0u), 0); // no missing-glyph box
    EXPECT_EQ(Lines(RunShell("pdffonts " + Quote(m_out + "/mark.pdf")).output).size(), 3u); // one font
}

TEST_F(Printing, ACharacterNoFontHasPrintsAsABoxAndIsNamedOnce) {
    const std::string input = m_home.WriteFile("in/box.txt", "a \xF4\x8F\xBF\xBD b \xF4\x8F\xBF\xBD c\n");
    Target(m_out + "/box.pdf");
    const Result result = Print(input);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              "plumavert-textprint: " + input + ": no installed font has U+10FFFD; it prints as a box\n");
    EXPECT_EQ(Words(PdfText(m_out + "/box.pdf")),
              (std::vector<std::string>{"a", "\xF4\x8F\xBF\xBD", "b", "\xF4\x8F\xBF\xBD", "c"}));
}

TEST_F(Printing, FontsWithCffOutlinesAreEmbeddedAsOpenType) {
    const std::string input =
        m_home.WriteFile("in/cjk.txt", "\xE4\xBD\xA0\xE5\xA5\xBD\xE4\xB8\x96\xE7\x95\x8C\n");
    Target(m_out + "/cjk.pdf");
    ASSERT_EQ(Print(input).exitCode, 0);
    const std::vector<std::string> fonts = Lines(RunShell("pdffonts " + Quote(m_out + "/cjk.pdf")).output);
    ASSERT_EQ(fonts.size(), 3u);
    EXPECT_NE(fonts[2].find("CID Type 0C (OT)"), std::string::npos) << fonts[2];
    EXPECT_NE(fonts[2].find("yes yes yes"), std::string::npos) << fonts[2];
}

// One short line per script that shaping places glyph by glyph: marks raised or lowered off the
// baseline, stacked consonants, right-to-left letters within the Basic Multilingual Plane and beyond it.
// A line with a face is also checked by its ink against hb-view's setting of it in that face.
struct ScriptLine {
    std::string name;
    std::string text;
    std::string face = {};
};

void PrintTo(const ScriptLine& line, std::ostream* out) {
    *out << line.name;
}

const ScriptLine kScriptLines[] = {
    {"ascii", "Hello, plain ASCII world.", "DejaVu Sans Mono"},
    {"thaana", "\u078B\u07A8\u0788\u07AC\u0780\u07A8\u0784\u07A6\u0790\u07B0 "
               "\u078D\u07A8\u0794\u07AA\u0789\u07A6\u0781\u07B0"},
    {"tibetan", "\u0F56\u0F66\u0F90\u0FB1\u0F7A\u0F51\u0F0B\u0F54\u0F0B \u0F66\u0F92\u0FB2\u0F74\u0F56\u0F0B "
                "\u0F56\u0F7C\u0F51\u0F0B\u0F61\u0F72\u0F42"},
    {"pointed_hebrew",
     "\u05D9\u05D9\u05B4\u05D3\u05D9\u05E9\u05E2 \u05E9\u05E4\u05BC\u05E8\u05D0\u05B7\u05DA "
     "\u05E9\u05B8\u05C1\u05DC\u05D5\u05B9\u05DD"},
    {"adlam", "\U0001E906\U0001E935\U0001E924\U0001E922\U0001E92A \U0001E900\U0001E923\U0001E924\U0001E922"
              "\U0001E925 \U0001E92B\U0001E93C\U0001E946\U0001E922"},
    {"javanese", "\uA9A7\uA9B1\uA997\uA9AE \uA9A9\uA981\uA98F\uA9B8\uA9A4\uA992\uA9AB"},
    {"khmer", "\u179A\u178A\u17D2\u178B\u17B6\u1797\u17B7\u1794\u17B6\u179B "
              "\u1780\u1798\u17D2\u1796\u17BB\u1787\u17B6"},
    {"devanagari", "\u0939\u093F\u0928\u094D\u0926\u0940 \u0915\u0943\u0937\u094D\u0923 "
                   "\u092A\u094D\u0930\u0947\u092E"},
    {"arabic",
     "\u0627\u0644\u0652\u0639\u064E\u0631\u064E\u0628\u0650\u064A\u064E\u0651\u0629\u064F "
     "\u0644\u064F\u063A\u064E\u0629\u064C",
     "Noto Sans Arabic"},
    {"han_beyond_the_bmp", "\U0002029B \U00021A38 \U0002338F \U00020000"},
};

// Whether fontconfig lists an installed font that has the character.
bool AnyFontHas(char32_t ch) {
    std::array<char, 16> hex{};
    std::snprintf(hex.data(), hex.size(), "%X", static_cast<unsigned>(ch));
    return !RunShell(std::string("fc-list ':charset=") + hex.data() + "' family").output.empty();
}

// The width and height of the ink on a PDF's first page as pdftoppm renders it at 144 dpi, in pixels
// (a pixel a fifth black or darker; fainter ones are the edges that anti-aliasing spreads).
std::pair<int, int> InkSize(const std::string& pdf) {
    RunShell("pdftoppm -gray -singlefile -r 144 -l 1 " + Quote(pdf) + " " + Quote(pdf));
    std::istringstream pgm(test::ReadFile(pdf + ".pgm")); // "P5 width height 255", then a byte a pixel
    std::string magic;
    int width = 0;
    int height = 0;
    int depth = 0;
    pgm >> magic >> width >> height >> depth;
    pgm.get();
    std::array<int, 4> box{width, height, -1, -1}; // left, top, right, bottom
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (pgm.get() < 205) {
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), y};
            }
        }
    }
    return {box[2] - box[0], box[3] - box[1]};
}

class PrintingScripts : public Printing, public testing::WithParamInterface<ScriptLine> {};

// A search or a copy in a PDF viewer gets every word whole and in typing order, and every character an
// installed font has is drawn with that font's glyph rather than a missing-glyph box. The page shows
// what the text layer cannot: a font subset whose glyphs moved, a wrong face or a mark left on the
// baseline changes the size of the ink.
TEST_P(PrintingScripts, EveryWordReadsBackWholeAndIsDrawnInItsFace) {
    const ScriptLine& line = GetParam();
    const std::string input = m_home.WriteFile("in/" + line.name + ".txt", line.text + "\n");
    const std::string pdf = m_out + "/" + line.name + ".pdf";
    Target(pdf);
    ASSERT_EQ(Print(input).exitCode, 0);
    EXPECT_EQ(Words(PdfText(pdf)), Words(line.text));
    const std::vector<unsigned> glyphs = DrawnGlyphs(pdf, m_home.Root() + "/qdf.pdf");
    const auto boxes = std::count(glyphs.begin(), glyphs.end(), 0u);
    if (boxes > 0) {
        const std::u32string chars = platform::DecodeUtf8(line.text);
        EXPECT_TRUE(std::any_of(chars.begin(), chars.end(), [](char32_t ch) { return !AnyFontHas(ch); }))
            << boxes << " missing-glyph boxes, though installed fonts have every character";
    }
    if (!line.face.empty()) {
        const std::string reference = m_home.Root() + "/reference.pdf";
        const std::string face = "\"$(fc-match -f '%{file}' " + Quote(line.face) + ")\"";
        ASSERT_EQ(RunShell("hb-view --margin=0 --font-size=10 --output-format=pdf --font-file=" + face +
                           " --text-file=" + Quote(input) + " -o " + Quote(reference))
                      .exitCode,
                  0);
        const auto [width, height] = InkSize(pdf);
        const auto [wantedWidth, wantedHeight] = InkSize(reference);
        EXPECT_NEAR(width, wantedWidth, 2);
        EXPECT_NEAR(height, wantedHeight, 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Scripts, PrintingScripts, testing::ValuesIn(kScriptLines),
                         [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- mended faults

TEST_F(Printing, TheTitleIsTheOutputsBaseNameInUnicode) {
    const std::string input = m_home.WriteFile("in/a.txt", "text\n");
    for (const std::string name :
         {"Caf\xC3\xA9", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E notes", "na\xC3\xAFve.r\xC3\xA9sum\xC3\xA9"}) {
        Target(m_out + "/" + name + ".pdf");
        ASSERT_EQ(Print(input).exitCode, 0) << name;
        EXPECT_EQ(PdfInfo(m_out + "/" + name + ".pdf", "Title"), name);
    }
}

TEST_F(Printing, AnInputThatIsNotARegularFileFailsAtOnce) {
    const std::string fifo = m_home.Root() + "/in.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Target(m_out + "/a.pdf");
    for (const std::string& path : {fifo, std::string("/dev/null"), m_home.MakeFolder("in")}) {
        const Result result = Print(path); // a pipe with no writer would hold an open that waits
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.output,
                  "plumavert-textprint: cannot print " + path + ": it is not a regular file\n");
    }
    EXPECT_TRUE(Listing(m_out).empty());
}

// Peak resident memory of a program run to its end (and of the children it waited for), in megabytes.
double PeakMemoryMb(const std::string& program, const std::string& file) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(program.c_str(), program.c_str(), "/p", file.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return usage.ru_maxrss / 1024.0;
}

TEST_F(Printing, MemoryIsBoundedByThePageNotByTheLine) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's own memory would be measured";
#endif
    // Written in pieces: the peak memory of a program started from here includes the test's own.
    const std::string input = m_home.WriteFile("in/spaces.txt", "x");
    {
        std::ofstream out(input, std::ios::app | std::ios::binary);
        const std::string spaces(1 << 20, ' ');
        for (int i = 0; i < 30; ++i) {
            out << spaces;
        }
        out << "y\n";
    }
    Target(m_out + "/spaces.pdf");
    EXPECT_LT(PeakMemoryMb(m_bin + "/plumavert-textprint", input), 80);
    EXPECT_EQ(Words(PdfText(m_out + "/spaces.pdf")), (std::vector<std::string>{"x", "y"}));
}

} // namespace
} // namespace pf

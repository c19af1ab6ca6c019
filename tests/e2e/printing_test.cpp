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
#include <gtest/gtest.h>
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
    EXPECT_EQ(Words(test::PdfText(pdf)), Words(sample.text));

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

struct PlacedWord {
    std::string text;
    double left = 0; // points from the page's left edge
    double top = 0;  // points from the page's top edge
};

// The words of the first page with their boxes, as pdftotext finds them.
std::vector<PlacedWord> PlacedWords(const std::string& pdf) {
    std::vector<PlacedWord> words;
    for (const auto& line : Lines(test::PdfText(pdf, "-l 1 -bbox"))) {
        const auto xMin = line.find("xMin=\"");
        const auto yMin = line.find("yMin=\"");
        const auto text = line.find('>');
        if (xMin != std::string::npos && yMin != std::string::npos && text != std::string::npos) {
            words.push_back({line.substr(text + 1, line.find('<', text) - text - 1),
                             std::stod(line.substr(xMin + 6)), std::stod(line.substr(yMin + 6))});
        }
    }
    return words;
}

TEST_F(Printing, TextStartsAtTheMarginsAndTabsStopAtEveryEighthColumn) {
    const std::string input = m_home.WriteFile("in/t.txt", "a\tbc\tdef\r\n\tx\rlast\n");
    Target(m_out + "/t.pdf");
    ASSERT_EQ(Print(input).exitCode, 0);
    // DejaVu Sans Mono at 10 points: columns 6.0205 points wide, lines 11.6406 points apart; the
    // margins are 1.25 inches left and right, 1 inch at the top.
    const auto column = [](int n) { return 90 + n * 1233.0 / 2048 * 10; };
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

TEST_F(Printing, AnExistingFileIsReplacedWhole) {
    const std::string pdf = m_home.WriteFile("out/report.pdf", "an old report");
    const std::string input = m_home.WriteFile("in/report.txt", "new report\n");
    Target(pdf);
    ASSERT_EQ(Print(input).exitCode, 0);
    EXPECT_TRUE(test::HasSoundPdfStructure(pdf));
    EXPECT_EQ(Listing(m_out), std::vector<std::string>{"report.pdf"});
    struct stat st {};
    ASSERT_EQ(::stat(pdf.c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
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
            EXPECT_EQ(Words(RunShell("pdftotext -enc UTF-8 " + Quote(pdf) + " -").output), Words(text(w, f)))
                << pdf;
        }
    }
    EXPECT_EQ(platform::DefaultPrinterName(), "Office Laser");
    EXPECT_EQ(platform::ReadStoredValue(platform::Store::PdfWriter, kOutputFileValue), std::nullopt);
    platform::OverrideProgramFolder("");
}

} // namespace
} // namespace pf

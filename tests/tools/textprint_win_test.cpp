// plumavert-textprint.exe, the text printer for Windows without WordPad, run as the batch run starts it,
// printing to PostScript printers whose port is a file. What arrives is read back: its pages from the
// PostScript, its words through ps2pdf and pdftotext, started as Unix programs (Wine runs them).

#include "batchrun.h"
#include "memoryform.h"
#include "pdfprinter.h"
#include "platform.h"
#include "postscripttext.h"
#include "temphome.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace pf {
namespace {

constexpr const char* kPrinter = "Proof PostScript";

// What one run of the text printer gave: its exit code and its standard error.
struct Outcome {
    DWORD exitCode = 0;
    std::string errors;
};

std::string TextPrinterPath() {
    return test::RunningProgramFolder() + "\\..\\bin\\" PF_TEXTPRINT_NAME;
}

// Runs a command line with its standard error written to a file, and waits for it to end.
Outcome RunCommand(const std::string& commandLine, const std::string& errorFile) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE errors = ::CreateFileW(test::FsPath(errorFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                        &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = errors;
    PROCESS_INFORMATION process{};
    std::wstring line = test::FsPath(commandLine).wstring();
    const BOOL started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                          &startup, &process);
    ::CloseHandle(errors);
    Outcome outcome;
    if (!started) {
        ADD_FAILURE() << "cannot start " << commandLine;
        return outcome;
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::GetExitCodeProcess(process.hProcess, &outcome.exitCode);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    outcome.errors = test::ReadFile(errorFile);
    return outcome;
}

// Prints a file as the batch run does, with the text printer's standard error kept in the home.
Outcome PrintFile(const std::string& file, const test::TempHome& home) {
    return RunCommand("\"" + TextPrinterPath() + "\" /p \"" + file + "\"", home.Root() + "\\errors.txt");
}

int CountPages(const std::string& postScript) {
    int pages = 0;
    std::istringstream lines(postScript);
    for (std::string line; std::getline(lines, line);) {
        pages += line.rfind("%%Page:", 0) == 0 ? 1 : 0;
    }
    return pages;
}

std::string PdfText(const std::string& postScript, const test::TempHome& home, const std::string& option) {
    return test::PostScriptText(postScript, home.Root(), option);
}

// The words of a PostScript file in the order they were drawn, one space apart.
std::string WordsOf(const std::string& postScript, const test::TempHome& home) {
    std::istringstream in(PdfText(postScript, home, "-raw"));
    std::string words;
    for (std::string word; in >> word;) {
        words += (words.empty() ? "" : " ") + word;
    }
    return words;
}

// A word as drawn on the page: its letters from left to right and its left and right edges in points.
struct DrawnWord {
    std::string text;
    double left = 0;
    double right = 0;
};

std::vector<DrawnWord> DrawnWords(const std::string& postScript, const test::TempHome& home) {
    static const std::regex kWord(
        R"re(<word xMin="([0-9.]+)" yMin="[0-9.]+" xMax="([0-9.]+)"[^>]*>([^<]*)</word>)re");
    const std::string boxes = PdfText(postScript, home, "-bbox");
    std::vector<DrawnWord> words;
    for (auto it = std::sregex_iterator(boxes.begin(), boxes.end(), kWord); it != std::sregex_iterator();
         ++it) {
        words.push_back({(*it)[3], std::stod((*it)[1]), std::stod((*it)[2])});
    }
    return words;
}

// A temporary home with a PostScript printer on a file port as the default printer.
class TextPrinterTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::UnixPath(home.Root()).empty()) {
            GTEST_SKIP() << "needs Wine: the printer's port is a Unix path";
        }
        output = home.Root() + "\\printed.ps";
        platform::AddPrinter({kPrinter, test::UnixPath(output)});
        ASSERT_TRUE(platform::MakeDefaultPrinter(kPrinter));
    }

    Outcome Print(const std::string& file) { return PrintFile(file, home); }

    test::TempHome home;
    std::string output;
};

TEST_F(TextPrinterTest, PrintsTheFileToTheDefaultPrinterPageByPage) {
    std::string manyLines;
    for (int i = 1; i <= 150; ++i) {
        manyLines += "line " + std::to_string(i) + "\r\n";
    }
    std::string longLine;
    for (int i = 1; i <= 60; ++i) {
        longLine += "word" + std::to_string(i) + " ";
    }
    struct Case {
        std::string contents;
        int pages; // 0: more than one
        std::string words;
    };
    const Case cases[] = {
        {"Hello printed world\r\n", 1, "Hello printed world"},
        {"", 1, ""},
        {"one\ftwo\r\n\fthree\n", 3, "one two three"},
        {"\f\fafter two blank pages", 3, "after two blank pages"},
        {"\xEF\xBB\xBFUTF-8 with a mark\rand a second line", 1, "UTF-8 with a mark and a second line"},
        {std::string("\xFF\xFEw\0i\0d\0e\0", 10), 1, "wide"},
        {std::string("n\0o\0 \0m\0a\0r\0k\0", 14), 1, "no mark"}, // UTF-16 told by its zero bytes
        {std::string("\0b\0i\0g\0 \0e\0n\0d", 14), 1, "big end"},
        {"tab\tstops\tand columns", 1, "tab stops and columns"},
        {"caf\xE9 cr\xE8me, not UTF-8", 1, "caf\xC3\xA9 cr\xC3\xA8me, not UTF-8"}, // the ANSI code page
        {"caf\xC3\xA9 in UTF-8", 1, "caf\xC3\xA9 in UTF-8"},
        {longLine, 1, longLine.substr(0, longLine.size() - 1)},
        {manyLines, 0, ""},
    };
    for (const auto& c : cases) {
        const std::string input = home.WriteFile("in/letter.txt", c.contents);
        const Outcome outcome = Print(input);
        EXPECT_EQ(outcome.exitCode, 0u) << c.contents << outcome.errors;
        EXPECT_EQ(outcome.errors, "");
        const std::string postScript = test::ReadFile(output);
        EXPECT_NE(postScript.find("%%Title: letter.txt"), std::string::npos) << "the document's name";
        if (c.pages > 0) {
            EXPECT_EQ(CountPages(postScript), c.pages) << c.contents;
            EXPECT_EQ(WordsOf(output, home), c.words);
        } else {
            EXPECT_GT(CountPages(postScript), 1);
            const std::string words = WordsOf(output, home);
            EXPECT_EQ(words.rfind("line 1 line 2 line 3 ", 0), 0u) << words;
            EXPECT_NE(words.find(" line 149 line 150"), std::string::npos) << words;
        }
    }
}

// Hebrew letters drawn from left to right are the word's letters backwards; A4 paper with 1.25-inch
// margins puts the right margin at 505 points.
TEST_F(TextPrinterTest, RightToLeftLinesAreDrawnInVisualOrderFromTheRightMargin) {
    const std::string shalom = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"; // first word of the line
    const std::string reversedShalom = "\xD7\x9D\xD7\x95\xD7\x9C\xD7\xA9";
    const std::string olam = "\xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D";
    const std::string reversedOlam = "\xD7\x9D\xD7\x9C\xD7\x95\xD7\xA2";
    ASSERT_EQ(Print(home.WriteFile("in/letter.txt", shalom + " " + olam + "\nleft to right\n")).exitCode, 0u);
    const auto words = DrawnWords(output, home);
    ASSERT_EQ(words.size(), 5u);
    EXPECT_EQ(words[0].text, reversedOlam);
    EXPECT_EQ(words[1].text, reversedShalom);
    EXPECT_LT(words[0].right, words[1].left) << "the first word is drawn rightmost";
    EXPECT_NEAR(words[1].right, 505.3, 1.0);
    EXPECT_EQ(words[2].text, "left");
    EXPECT_NEAR(words[2].left, 90.0, 1.0);
}

TEST_F(TextPrinterTest, AFileThatCannotBeReadIsNamedWithTheReasonAndNothingIsPrinted) {
    const std::string cases[] = {home.Root() + "\\no such file.txt", home.MakeFolder("a folder")};
    for (const auto& input : cases) {
        const Outcome outcome = Print(input);
        EXPECT_EQ(outcome.exitCode, 1u);
        const std::string start = "plumavert-textprint: cannot print " + input + ": ";
        EXPECT_EQ(outcome.errors.rfind(start, 0), 0u) << outcome.errors;
        EXPECT_GT(outcome.errors.size(), start.size() + 1) << "a reason follows";
        EXPECT_EQ(outcome.errors.find('\n'), outcome.errors.size() - 1) << "one line";
        EXPECT_EQ(outcome.errors.find('\r'), outcome.errors.size() - 2) << "one line";
        EXPECT_EQ(test::ReadFile(output), "");
    }
}

TEST_F(TextPrinterTest, APrinterThatRefusesTheJobIsReported) {
    platform::AddPrinter({kPrinter, test::UnixPath(home.Root()) + "/no such folder/printed.ps"});
    ASSERT_TRUE(platform::MakeDefaultPrinter(kPrinter));
    const Outcome outcome = Print(home.WriteFile("in/letter.txt", "never printed"));
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_NE(outcome.errors.find(": the printer "), std::string::npos) << outcome.errors;
}

// A batch run with the PDF printer as a PostScript printer on a file port: WordPad where it is
// registered (here the stand-in, which logs its calls), else the text printer in the program folder.
TEST(TextPrinter, TheRunPrintsWithTheRegisteredTextPrinterAndElseWithTheShippedOne) {
    constexpr const char* kServerKey = R"(Wordpad.Document.1\Protocol\StdFileEditing\Server)";
    const std::optional<std::string> registrations[] = {
        "\"" + test::RunningProgramFolder() + "\\" PF_FAKE_TEXTPRINT "\"", std::nullopt};
    for (const auto& registered : registrations) {
        test::TempHome home;
        if (test::UnixPath(home.Root()).empty()) {
            GTEST_SKIP() << "needs Wine: the printer's port is a Unix path";
        }
        const std::string output = home.Root() + "\\printed.ps";
        const std::string log = home.Root() + "\\calls.log";
        platform::AddPrinter({"Office Laser", "/dev/null"});
        platform::MakeDefaultPrinter("Office Laser");
        platform::AddPrinter({kPdfPrinterName, test::UnixPath(output)});
        platform::OverrideProgramFolder(test::RunningProgramFolder() + "\\..\\bin");
        test::SetClassRegistration(kServerKey, registered);
        test::SetEnvironment("FAKE_LOG", log);
        test::MemoryForm form;
        form.sleepForReal = true;
        form.SetText1(home.MakeFolder("out"));
        form.SetText2("0");
        form.SetRows({home.WriteFile("in/letter.txt", "Printed by whoever prints")});
        BatchRun().PushButton2_Click(form);
        test::SetClassRegistration(kServerKey, std::nullopt);
        test::SetEnvironment("FAKE_LOG", std::nullopt);
        platform::OverrideProgramFolder("");
        EXPECT_EQ(test::ReadFile(log).empty(), !registered);
        if (registered) {
            EXPECT_EQ(test::ReadFile(output), "");
        } else {
            EXPECT_EQ(WordsOf(output, home), "Printed by whoever prints");
        }
    }
}

// Takes the user's default printer away for one test (the spooler keeps its name in the user's
// "Device" value) and gives it back.
class NoDefaultPrinter {
public:
    NoDefaultPrinter() {
        char device[1024] = {};
        DWORD size = sizeof device;
        if (::RegGetValueA(HKEY_CURRENT_USER, kKey, "Device", RRF_RT_REG_SZ, nullptr, device, &size) ==
            ERROR_SUCCESS) {
            m_saved = device;
        }
        ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "Device");
    }
    ~NoDefaultPrinter() {
        if (m_saved) {
            ::RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Device", REG_SZ, m_saved->c_str(),
                              static_cast<DWORD>(m_saved->size() + 1));
        }
    }
    NoDefaultPrinter(const NoDefaultPrinter&) = delete;
    NoDefaultPrinter& operator=(const NoDefaultPrinter&) = delete;

private:
    static constexpr const char* kKey = R"(Software\Microsoft\Windows NT\CurrentVersion\Windows)";
    std::optional<std::string> m_saved;
};

TEST(TextPrinter, WithoutADefaultPrinterItSaysSoAndFails) {
    test::TempHome home;
    const NoDefaultPrinter noDefault;
    const std::string input = home.WriteFile("letter.txt", "never printed");
    const Outcome outcome = PrintFile(input, home);
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_EQ(outcome.errors,
              "plumavert-textprint: cannot print " + input + ": there is no default printer\r\n");
}

TEST(TextPrinter, AWrongCommandLineShowsTheUsage) {
    test::TempHome home;
    for (const std::string arguments : {"", " /p", " /x file.txt", " /p a.txt b.txt"}) {
        const Outcome outcome =
            RunCommand("\"" + TextPrinterPath() + "\"" + arguments, home.Root() + "\\errors.txt");
        EXPECT_EQ(outcome.exitCode, 2u) << arguments;
        EXPECT_EQ(outcome.errors, "usage: plumavert-textprint /p FILE\r\n");
    }
}

} // namespace
} // namespace pf

#include "apptitle.h"
#include "errortrap.h"
#include "form1events.h"
#include "formcontract.h"
#include "memoryform.h"
#include "outputoptions.h"
#include "platform.h"
#include "reports.h"
#include "settings.h"
#include "startup.h"
#include "temphome.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#ifndef _WIN32
#include "batchrun.h"
#include "pdfprinter.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace pf {
namespace {

// Records what start-up asks of the window; a step can be made to fail.
class FakeWindow : public WindowSetup {
public:
    std::vector<std::string> calls;
    std::string failingCall;

    void ApplySkinFile(const std::string& file) override { Record("skin " + file); }
    void LoadCustomPointer(const std::string& file) override { Record("cursor " + file); }
    void SetCaption(const std::string& caption) override { Record("caption " + caption); }
    void SetProgramIcon() override { Record("icon"); }
    void AddListColumn(const std::string& header) override { Record("column " + header); }
    void SetListColumnWidth(int twips) override { Record("width " + std::to_string(twips)); }

private:
    void Record(const std::string& call) {
        calls.push_back(call);
        if (call.rfind(failingCall, 0) == 0 && !failingCall.empty()) {
            throw RuntimeError(err::kInvalidProcedureCall);
        }
    }
};

// A path written with "/" in the system's separators.
std::string P(const std::string& path) {
    return test::NativeSeparators(path);
}

std::string Report(const char* location, const char* description, int line) {
    return std::string(description) + "\r\nin " + location + " at line " + std::to_string(line) +
           "\r\rPlease email screenshot of this message to support@plumavert.example";
}

// Start-up in a temporary home with an empty program folder and the PDF printer installed.
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        program = home.MakeFolder("program");
        platform::OverrideProgramFolder(program);
        platform::AddPrinter({"Tarnwicke PDF Writer", "CPW2:"});
        form.onText1Change = [&] { Text1_Change(form); };
        form.onText2Change = [&] { Text2_Change(form); };
        form.clock = 1; // a time of day whose draw is not 7: no home page
    }
    void TearDown() override { platform::OverrideProgramFolder(""); }

    test::TempHome home;
    std::string program;
    test::MemoryForm form;
    FakeWindow window;
};

TEST_F(StartupTest, FirstStartFillsTheBoxesFromDefaultsAndStoresThem) {
    home.MakeFolder("home/Desktop");
    const std::string desktop = platform::DesktopFolder(); // the shell's on Windows, ~/Desktop on Linux
    ASSERT_FALSE(desktop.empty());
    Form_Load(form, window);
    EXPECT_EQ(form.Text1(), desktop + platform::PathSeparator());
    EXPECT_EQ(form.Text2(), "7");
    EXPECT_EQ(ReadSetting(key::kLocation, "none"), desktop + platform::PathSeparator());
    EXPECT_EQ(ReadSetting(key::kText2, "none"), "7");
    EXPECT_EQ(window.calls, (std::vector<std::string>{"caption Plumavert Fennic", "icon",
                                                      "column Text File(s)", "width 7000"}));
    EXPECT_TRUE(form.ui.messages.empty());
    EXPECT_TRUE(form.ui.openedAddresses.empty());
    EXPECT_EQ(ApplicationTitle(), "Plumavert");
}

TEST_F(StartupTest, WithoutADesktopTheHomeFolderIsTheOutputFolder) {
    if (!platform::DesktopFolder().empty()) {
        GTEST_SKIP() << "the shell of this system always has a desktop folder";
    }
    Form_Load(form, window);
    EXPECT_EQ(form.Text1(), home.Home() + "/");
}

TEST_F(StartupTest, StoredValuesAreShownUnchangedAndAnEmptyPauseStaysEmpty) {
    WriteSetting(key::kLocation, "/data/out");
    WriteSetting(key::kText2, "");
    Form_Load(form, window);
    EXPECT_EQ(form.Text1(), "/data/out");
    EXPECT_EQ(form.Text2(), "");
    EXPECT_EQ(ReadSetting(key::kText2, "7"), "");
}

TEST_F(StartupTest, SkinAndCursorFilesBesideTheProgramAreUsedWhenPresent) {
    home.WriteFile("program/x/o.cjs", "QPushButton { }");
    home.WriteFile("program/HAND-M.CUR", "cursor");
    Form_Load(form, window);
    EXPECT_EQ(window.calls[0], "skin " + program + P("/x/o.cjs"));
    EXPECT_EQ(window.calls[1], "cursor " + program + P("/HAND-M.CUR"));
}

TEST_F(StartupTest, AFolderNamedLikeTheSkinIsNoSkin) {
    home.MakeFolder("program/x/o.cjs");
    Form_Load(form, window);
    EXPECT_EQ(window.calls.front(), "caption Plumavert Fennic");
}

TEST_F(StartupTest, FailingStepsAreReportedInOrderAndStartUpGoesOn) {
    window.failingCall = "caption";
    Form_Load(form, window);
    window.failingCall = "width";
    Form_Load(form, window);
    const char* load = "Velltrane2021/08/31.Form1.Form_Load";
    EXPECT_EQ(form.ui.MessageTexts(),
              (std::vector<std::string>{Report(load, "Invalid procedure call or argument", 118),
                                        Report(load, "Invalid procedure call or argument", 126)}));
    EXPECT_EQ(form.Text2(), "7");
}

TEST_F(StartupTest, OneStartInAHundredOpensTheHomePage) {
    double seed = 0;
    while (DrawOneToHundred(seed) != 7) {
        seed += 1;
    }
    form.clock = seed;
    Form_Load(form, window);
    EXPECT_EQ(form.ui.openedAddresses, std::vector<std::string>{"https://plumavert.example/"});
}

TEST_F(StartupTest, MissingPdfPrinterShowsTheInstructions) {
    platform::RemovePrinter("Tarnwicke PDF Writer");
    Form_Load(form, window);
    ASSERT_EQ(form.ui.messages.size(), 1u);
    EXPECT_EQ(form.ui.messages[0].text.rfind("Tarnwicke PDF Writer is not installed. Please follow these "
                                             "instructions:\r\n\r\n1) ",
                                             0),
              0u);
}

#ifndef _WIN32
// A run killed while the PDF printer is everyone's default printer: the next start puts the old default
// printer and the PDF printer's old values back, clears the record and removes the run's folder.
TEST_F(StartupTest, AStartAfterARunWasKilledPutsThePrintersBack) {
    platform::AddPrinter({"Office Laser", "lp0:"});
    ASSERT_TRUE(platform::MakeDefaultPrinter("Office Laser"));
    platform::WriteStoredValue(platform::Store::PdfWriter, kOutputFileValue, "/earlier/report.pdf");
    platform::WriteStoredValue(platform::Store::PdfWriter, kBypassSaveAsValue, "0");
    const std::string input = home.WriteFile("in/a.txt", "alpha");
    const std::string out = home.MakeFolder("out");

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        test::MemoryForm running;
        running.SetText1(out);
        running.SetText2("1e9"); // the run waits here until it is killed
        running.SetRows({input});
        BatchRun().PushButton2_Click(running);
        ::_exit(0);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    const auto runUnderWay = [] { // the PDF printer is the default and the run has made its folder
        return platform::DefaultPrinterName() == kPdfPrinterName &&
               !std::filesystem::is_empty(platform::PrivateTempFolder());
    };
    while (!runUnderWay() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_EQ(platform::DefaultPrinterName(), kPdfPrinterName);

    Form_Load(form, window);
    EXPECT_EQ(platform::DefaultPrinterName(), "Office Laser");
    EXPECT_EQ(platform::ReadStoredValue(platform::Store::PdfWriter, kOutputFileValue), "/earlier/report.pdf");
    EXPECT_EQ(platform::ReadStoredValue(platform::Store::PdfWriter, kBypassSaveAsValue), "0");
    EXPECT_EQ(ReadSetting(key::kPrinterRecord, "none"), "none");
    EXPECT_TRUE(std::filesystem::is_empty(platform::PrivateTempFolder())); // no copy of the user's file
    EXPECT_TRUE(form.ui.messages.empty());
}
#endif

TEST(DrawOneToHundred, StaysWithinOneToAHundred) {
    bool seen[101] = {};
    for (int seconds = 0; seconds < 86400; seconds += 7) {
        const int r = DrawOneToHundred(seconds);
        ASSERT_GE(r, 1);
        ASSERT_LE(r, 100);
        seen[r] = true;
    }
    EXPECT_TRUE(seen[1] && seen[7] && seen[100]);
}

TEST(TextBoxes, EveryChangeIsStoredAtOnce) {
    test::TempHome home;
    test::MemoryForm form;
    std::vector<std::string> stored;
    form.onText2Change = [&] {
        Text2_Change(form);
        stored.push_back(ReadSetting(key::kText2, "absent"));
    };
    form.SetText2("1");
    form.SetText2("12");
    form.SetText2("");
    EXPECT_EQ(stored, (std::vector<std::string>{"1", "12", ""}));
}

TEST(TextBoxes, AStoreThatCannotBeWrittenIsReportedOnceUntilItWorksAgain) {
    test::TempHome home;
    test::MemoryForm form;
    form.onText1Change = [&] { Text1_Change(form); };
    home.BlockUserStores();
    form.SetText1("/a");
    form.SetText1("/ab");
    EXPECT_EQ(form.ui.MessageTexts().size(), 1u);
    EXPECT_NE(form.ui.messages[0].text.find("Location"), std::string::npos);
}

TEST(ApplicationTitle, DropsWordsFromTheEndUntilItFitsForty) {
    EXPECT_EQ(ShortenedTitle("Plumavert Fennic"), "Plumavert");
    EXPECT_EQ(ShortenedTitle("aaaa bbbb cccc dddd eeee ffff gggggggggg hhhhhhhh"),
              "aaaa bbbb cccc dddd eeee ffff gggggggggg");
    EXPECT_EQ(ShortenedTitle("a b"), "a");
}

TEST(ErrorTrap, ReportsEachFailureWithItsLineAndGoesOn) {
    test::MemoryForm form;
    ErrorTrap trap(form.Ui(), "Velltrane2021/08/31.Form1.PushButton7_Click");
    std::vector<int> ran;
    trap.Run(100, [] { throw RuntimeError(err::kFileNotFound); });
    trap.Run(102, [&] { ran.push_back(102); });
    const bool entered = trap.Test(
        104, []() -> bool { throw RuntimeError(err::kPathNotFound); }, true);
    const bool jumped = trap.Test(
        106, []() -> bool { throw std::runtime_error("odd"); }, false);
    EXPECT_EQ(ran, std::vector<int>{102});
    EXPECT_TRUE(entered);
    EXPECT_FALSE(jumped);
    const char* where = "Velltrane2021/08/31.Form1.PushButton7_Click";
    EXPECT_EQ(form.ui.MessageTexts(),
              (std::vector<std::string>{Report(where, "File not found", 100),
                                        Report(where, "Path not found", 104), Report(where, "odd", 106)}));
    EXPECT_EQ(form.ui.messages[0].title, "Application Error");
    EXPECT_EQ(form.ui.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(form.ui.messages[0].buttons, MessageButtons::Ok);
}

TEST(PrinterReport, HasTheNumberFirstAndTheSupportLineLast) {
    EXPECT_EQ(PrinterErrorText(53, "File not found"),
              "Error No: 53\r\nFile not found\r\nHas occured in "
              "modPrinters.GetDefaultPrinter\r\nPlease contact Technical Support");
}

// The output-folder button, in a temporary home.
class OutputButtonsTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.onText1Change = [&] { Text1_Change(form); };
    }
    test::TempHome home;
    test::MemoryForm form;
};

TEST_F(OutputButtonsTest, ChosenFolderGetsOneTrailingSeparator) {
    struct Case {
        std::string chosen;
        std::string text1;
    };
    const Case cases[] = {{P("/data"), P("/data/")}, {P("/"), P("/")}, {P("/data/"), P("/data/")}};
    for (const auto& c : cases) {
        form.ui.folderAnswers.push_back(c.chosen);
        PushButton7_Click(form);
        EXPECT_EQ(form.Text1(), c.text1);
        EXPECT_EQ(ReadSetting(key::kLocation, ""), c.text1);
        EXPECT_EQ(ReadSetting(key::kLastFolderDot, ""), c.chosen);
    }
    EXPECT_EQ(form.ui.browses[0].prompt, "Please select folder:");
    EXPECT_EQ(form.ui.browses[0].startFolder, "");
    EXPECT_EQ(form.ui.browses[1].startFolder, P("/data"));
}

TEST_F(OutputButtonsTest, CancelledBrowserChangesNothing) {
    WriteSetting(key::kLastFolderDot, "/gone/folder");
    form.SetText1("/keep/");
    PushButton7_Click(form);
    EXPECT_EQ(form.ui.browses.at(0).startFolder, "/gone/folder");
    EXPECT_EQ(form.Text1(), "/keep/");
    EXPECT_EQ(ReadSetting(key::kLastFolderDot, ""), "/gone/folder");
    EXPECT_TRUE(form.ui.messages.empty());
}

TEST_F(OutputButtonsTest, QuestionMarkExplainsThePauseWhateverTheBoxHolds) {
    for (const char* text2 : {"7", "abc", ""}) {
        form.SetText2(text2);
        PushButton6_Click(form);
    }
    ASSERT_EQ(form.ui.messages.size(), 3u);
    for (const auto& message : form.ui.messages) {
        EXPECT_EQ(message.text,
                  "Please increase this number if you are having problems with the conversion.");
        EXPECT_EQ(message.title, ApplicationTitle());
        EXPECT_EQ(message.icon, MessageIcon::None);
    }
}

// The in-memory form with the window's handlers on top, as a window of the Form seam's contract.
class MemoryWindow {
public:
    MemoryWindow() {
        m_form.onDoEvents = [this] {
            if (m_closeWhen && m_closeWhen()) {
                m_closeWhen = nullptr;
                m_ended = m_events.Form_Unload() != UnloadAction::HideUntilRunEnds;
                m_form.closing = m_events.IsClosing();
            }
        };
    }
    pf::Form& Form() { return m_form; }
    void Post(std::function<void()> message) { m_form.Post(std::move(message)); }
    void CloseWhen(std::function<bool()> condition) { m_closeWhen = std::move(condition); }
    void Hover(const std::string& name) {
        m_form.SetPointer(HoverPointer(m_form.Pointer(), name.starts_with("PushButton")
                                                             ? HoverTarget::Button
                                                             : HoverTarget::Background));
    }
    void PressKey(bool deleteKey) {
        if (deleteKey) {
            m_events.ListView1_DeleteKey();
        }
    }
    bool StartAndRunUntilTheProgramEnds() {
        m_events.PushButton2_Click();
        return m_ended;
    }

private:
    test::MemoryForm m_form;
    Form1Events m_events{m_form, [this] { m_ended = true; }};
    std::function<bool()> m_closeWhen;
    bool m_ended = false;
};

} // namespace

namespace test {
INSTANTIATE_TYPED_TEST_SUITE_P(MemoryFormContract, FormContract, MemoryWindow);
} // namespace test
} // namespace pf

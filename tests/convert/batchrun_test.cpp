#include "apptitle.h"
#include "batchrun.h"
#include "fakeprinting.h"
#include "memoryform.h"
#include "platform.h"
#include "printers.h"
#include "temphome.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace pf {
namespace {

constexpr const char* kOtherPrinter = test::FakePrinting::kOtherPrinter;

// A path written with "/" in the system's separators.
std::string P(const std::string& path) {
    return test::NativeSeparators(path);
}

// A run with a stand-in text printer (see FakePrinting), the list and the boxes ready.
class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        out = home.MakeFolder("out");
        form.SetText1(out);
        form.SetText2("0");
    }

    std::string Input(const std::string& relative, const std::string& text) {
        return home.WriteFile("in/" + relative, text);
    }

    std::vector<std::string> Calls() const { return printing.Calls(); }

    test::TempHome home;
    test::FakePrinting printing{home};
    const std::string& log = printing.Log();
    test::MemoryForm form;
    BatchRun run;
    std::string out;
};

TEST_F(BatchRunTest, EarlyExitsShowTheirMessageAndTouchNothingElse) {
    struct Case {
        bool withRow;
        std::string folder;
        std::string message;
    };
    const Case cases[] = {
        {false, "OUT", "No files added."},
        {false, P("/no/such/folder"), "No files added."},
        {true, P("/no/such/folder"), "Folder does not exist. Please select another folder."},
        {true, "", "Folder does not exist. Please select another folder."},
    };
    for (const auto& c : cases) {
        test::MemoryForm fresh;
        fresh.SetText1(c.folder == "OUT" ? out : c.folder);
        if (c.withRow) {
            fresh.AppendRow(Input("a.txt", "a"));
        }
        run.PushButton2_Click(fresh);
        run.PushButton2_Click(fresh); // the flag was reset: a second click answers again
        EXPECT_EQ(fresh.ui.MessageTexts(), std::vector<std::string>(2, c.message));
        EXPECT_TRUE(fresh.pointerHistory.empty());
        EXPECT_TRUE(fresh.progressValues.empty());
    }
    EXPECT_FALSE(fs::exists(log));
    EXPECT_EQ(platform::DefaultPrinterName(), kOtherPrinter);
}

TEST_F(BatchRunTest, ConvertsEveryRowInOrderAndRestoresTheDefaultPrinter) {
    const std::string a = Input("a.txt", "alpha");
    const std::string notes = Input("notes", "no extension");
    const std::string abc = Input("a.b.c.txt", "dots");
    form.SetRows({a, notes, abc});

    run.PushButton2_Click(form);

    // The copies go to temp.txt in a folder of this run's own inside the private folder, gone afterwards.
    ASSERT_FALSE(Calls().empty());
    const std::string temp = Calls()[0].substr(0, Calls()[0].find('|'));
    const std::string runFolder = temp.substr(0, temp.size() - 9);
    EXPECT_EQ(temp.substr(temp.size() - 9), P("/temp.txt"));
    EXPECT_EQ(runFolder.rfind(platform::PrivateTempFolder() + P("/"), 0), 0u);
    EXPECT_FALSE(fs::exists(test::FsPath(runFolder)));
    EXPECT_EQ(Calls(), (std::vector<std::string>{temp + "|" + out + P("/a.pdf|1|alpha"),
                                                 temp + "|" + out + P("/notes.pdf|1|no extension"),
                                                 temp + "|" + out + P("/a.b.c.pdf|1|dots")}));
    EXPECT_EQ(test::ReadFile(out + P("/a.b.c.pdf")), "dots");
    EXPECT_EQ(form.ui.MessageTexts(), std::vector<std::string>{"Done."});
    EXPECT_EQ(form.ui.messages[0].title, ApplicationTitle());
    EXPECT_EQ(platform::DefaultPrinterName(), kOtherPrinter);
    ASSERT_EQ(form.progressValues.size(), 4u);
    EXPECT_NEAR(form.progressValues[0], 100.0 / 3, 1e-9);
    EXPECT_DOUBLE_EQ(form.progressValues[2], 100.0);
    EXPECT_DOUBLE_EQ(form.progressValues[3], 0.0);
    EXPECT_EQ(form.progressCaptions, (std::vector<std::string>{"Processing: a.txt", "Processing: notes",
                                                               "Processing: a.b.c.txt", "Progress Bar"}));
    EXPECT_EQ(form.pointerHistory.front(), MousePointer::Hourglass);
    EXPECT_EQ(form.Pointer(), MousePointer::Default);
    // The PDF printer's values are put back as they were: the next job anyone prints asks for a name.
    EXPECT_EQ(platform::ReadStoredValue(platform::Store::PdfWriter, "OutputFile"), std::nullopt);
    EXPECT_EQ(platform::ReadStoredValue(platform::Store::PdfWriter, "BypassSaveAs"), std::nullopt);
}

TEST_F(BatchRunTest, WithoutARegisteredTextPrinterTheOneShippedInTheProgramFolderPrints) {
    printing.ShipTextPrinterInsteadOfRegisteringIt();
    form.SetRows({Input("a.txt", "alpha")});
    run.PushButton2_Click(form);
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_TRUE(Calls()[0].ends_with(P("/temp.txt|") + out + P("/a.pdf|1|alpha"))) << Calls()[0];
    EXPECT_EQ(form.ui.MessageTexts(), std::vector<std::string>{"Done."});
}

TEST_F(BatchRunTest, FolderTextEndingInASeparatorGivesADoubledSeparator) {
    form.SetText1(out + P("/"));
    form.SetRows({Input("a.txt", "alpha")});
    run.PushButton2_Click(form);
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_NE(Calls()[0].find("|" + out + P("//a.pdf|")), std::string::npos);
    EXPECT_EQ(form.ui.MessageTexts(), std::vector<std::string>{"Done."});
}

TEST_F(BatchRunTest, PausesAreFourQuartersOfTheBoxValueReadAtEachUse) {
    struct Case {
        const char* text2;
        int quarterMs;
    };
    const Case cases[] = {{"8", 2000}, {"2", 500}, {"abc", 0}, {"", 0}, {"-4", 0}};
    for (const auto& c : cases) {
        form.waits.clear();
        form.SetText2(c.text2);
        form.SetRows({Input("a.txt", "alpha")});
        run.PushButton2_Click(form);
        const auto quarters = std::count(form.waits.begin(), form.waits.end(), c.quarterMs);
        EXPECT_EQ(quarters, c.quarterMs == 0 ? 0 : 4) << "Text2: " << c.text2;
    }
}

TEST_F(BatchRunTest, PauseBoxChangedDuringTheRunTakesEffectAtTheNextPause) {
    form.SetText2("4");
    form.SetRows({Input("a.txt", "alpha"), Input("b.txt", "beta")});
    form.onDoEvents = [&] {
        if (Calls().size() == 1) {
            form.SetText2("8"); // while the first file prints
        }
    };
    run.PushButton2_Click(form);
    std::vector<int> pauses;
    std::copy_if(form.waits.begin(), form.waits.end(), std::back_inserter(pauses),
                 [](int ms) { return ms != 100; });
    EXPECT_EQ(pauses, (std::vector<int>{1000, 1000, 1000, 2000, 2000, 2000, 2000, 2000}));
}

TEST_F(BatchRunTest, FilesThatWereNotConvertedAreListedAfterDoneWithWhy) {
    // What the fake printer does while each file is in work, and the reason the message then gives.
    struct Row {
        const char* name;
        const char* exitCode;
        const char* writes;
        bool outputFolderGone;
        const char* reason;
    };
    const Row rows[] = {
        {"good.txt", nullptr, nullptr, false, nullptr},
        {"gone.txt", nullptr, nullptr, false, "cannot be read"},
        {"fails.txt", "2", nullptr, false, "the text printer failed (exit 2)"},
        {"silent.txt", nullptr, "0", false, "no PDF appeared"},
        {"lost.txt", nullptr, nullptr, true, "the output folder cannot be written"},
        {"unstartable.txt", nullptr, nullptr, false, "the text printer could not be started"},
    };
    std::string expected = "Done.\r\n\r\nNot converted:";
    std::vector<std::string> inputs;
    for (const Row& row : rows) {
        const bool exists = std::string(row.name) != "gone.txt";
        inputs.push_back(exists ? Input(row.name, row.name) : out + P("/../in/") + row.name);
        expected += row.reason == nullptr ? "" : "\r\n" + inputs.back() + ": " + row.reason;
    }
    form.SetRows(inputs);
    form.onDoEvents = [&] {
        for (const Row& row : rows) {
            if (!form.progressCaptions.empty() &&
                form.progressCaptions.back() == std::string("Processing: ") + row.name) {
                test::SetEnvironment("FAKE_EXIT",
                                     row.exitCode ? std::optional<std::string>(row.exitCode) : std::nullopt);
                test::SetEnvironment("FAKE_WRITE",
                                     row.writes ? std::optional<std::string>(row.writes) : std::nullopt);
                if (row.outputFolderGone) {
                    fs::remove_all(test::FsPath(out));
                }
                if (std::string(row.name) == "unstartable.txt") {
                    printing.RegisterTextPrinter(P("/no/such/textprint"));
                }
            }
        }
    };
    run.PushButton2_Click(form);
    EXPECT_EQ(form.ui.MessageTexts(), std::vector<std::string>{expected});
    // The vanished file was never printed: the previous copy is not printed again under its name.
    EXPECT_EQ(Calls().size(), 4u);
}

TEST_F(BatchRunTest, APrinterThatWritesNothingIsAFailureEvenWhenAnOldPdfExists) {
    home.WriteFile("out/a.pdf", "from an earlier run");
    test::SetEnvironment("FAKE_WRITE", "0");
    form.SetRows({Input("a.txt", "alpha")});
    run.PushButton2_Click(form);
    EXPECT_EQ(form.ui.MessageTexts(),
              std::vector<std::string>{"Done.\r\n\r\nNot converted:\r\n" + home.Root() + P("/in/a.txt") +
                                       ": no PDF appeared"});
    EXPECT_EQ(test::ReadFile(out + P("/a.pdf")), "from an earlier run");
}

#ifndef _WIN32
TEST_F(BatchRunTest, AnEntryWhosePrinterValuesCannotBeWrittenIsNotPrintedOverThePreviousPdf) {
    const std::string second = Input("b.txt", "beta");
    form.SetRows({Input("a.txt", "alpha"), second});
    const std::string store = home.ConfigHome() + "/Tarnwicke PDF Writer.conf";
    form.onDoEvents = [&] {
        if (Calls().size() == 1 && !fs::is_directory(store)) {
            fs::remove(store);
            fs::create_directory(store); // every later write of the values fails
        }
    };
    run.PushButton2_Click(form);
    EXPECT_EQ(Calls().size(), 1u);
    EXPECT_EQ(test::ReadFile(out + P("/a.pdf")), "alpha");
    const auto texts = form.ui.MessageTexts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_NE(texts[0].find("PushButton2_Click at line 150"), std::string::npos);
    EXPECT_NE(texts[1].find("PushButton2_Click at line 152"), std::string::npos);
    EXPECT_NE(texts[2].find("cannot read " + store +
                            ": it is a folder\r\nin Velltrane2021/08/31.Form1."
                            "PushButton2_Click at line 188"),
              std::string::npos);
    EXPECT_EQ(texts[3],
              "Done.\r\n\r\nNot converted:\r\n" + second + ": the PDF printer's values could not be written");
}
#endif

TEST_F(BatchRunTest, InputsWithTheSameNameNeverOverwriteEachOther) {
    home.WriteFile("out/a.pdf", "old");
    form.SetRows({Input("x/a.txt", "first"), Input("y/a.txt", "second"), Input("z/A.txt", "third"),
                  Input("x/v1.2.txt", "v1"), Input("y/v1.2.txt", "v2")});
    run.PushButton2_Click(form);
    EXPECT_EQ(test::ReadFile(out + P("/a.pdf")), "first");
    EXPECT_EQ(test::ReadFile(out + P("/a (2).pdf")), "second");
    EXPECT_EQ(test::ReadFile(out + P("/v1.2.pdf")), "v1");
    EXPECT_EQ(test::ReadFile(out + P("/v1.2 (2).pdf")), "v2"); // numbered before the last extension
    // Names clash as the output's file system compares them: by letter case only where it ignores case.
#ifdef _WIN32
    EXPECT_EQ(test::ReadFile(out + P("/A (3).pdf")), "third");
#else
    EXPECT_EQ(test::ReadFile(out + P("/A.pdf")), "third");
#endif
    EXPECT_EQ(form.ui.MessageTexts(), std::vector<std::string>{"Done."});
}

TEST_F(BatchRunTest, SecondClickDuringARunDoesNothing) {
    form.SetRows({Input("a.txt", "alpha"), Input("b.txt", "beta")});
    form.onDoEvents = [&] { run.PushButton2_Click(form); };
    run.PushButton2_Click(form);
    EXPECT_EQ(Calls().size(), 2u);
    EXPECT_EQ(form.ui.MessageTexts(), std::vector<std::string>{"Done."});
}

TEST_F(BatchRunTest, WithoutThePdfPrinterNothingIsPrintedAndEveryFileIsListed) {
    platform::RemovePrinter(kPdfPrinterName);
    const std::string a = Input("a.txt", "alpha");
    form.SetRows({a});
    run.PushButton2_Click(form);
    EXPECT_FALSE(fs::exists(log));
    EXPECT_EQ(form.ui.MessageTexts(),
              std::vector<std::string>{"Done.\r\n\r\nNot converted:\r\n" + a +
                                       ": the PDF printer could not be made the default printer"});
    EXPECT_EQ(platform::DefaultPrinterName(), kOtherPrinter);
}

#ifndef _WIN32
// Window B's run is killed while it prints; window A's run then puts back the user's own default printer
// and PDF printer values, not the state B left behind.
TEST_F(BatchRunTest, ARunAfterAnotherWindowsKilledRunPutsBackTheUsersOwnPrinterAndValues) {
    platform::WriteStoredValue(platform::Store::PdfWriter, "OutputFile", "/elsewhere/report.pdf");
    form.SetRows({Input("a.txt", "alpha")});
    const pid_t windowB = ::fork();
    if (windowB == 0) {
        form.onDoEvents = [&] {
            if (!Calls().empty()) {
                ::_exit(0);
            }
        };
        run.PushButton2_Click(form);
        ::_exit(1);
    }
    ASSERT_EQ(::waitpid(windowB, nullptr, 0), windowB);
    ASSERT_EQ(platform::DefaultPrinterName(), kPdfPrinterName);

    run.PushButton2_Click(form);
    EXPECT_EQ(form.ui.MessageTexts(), std::vector<std::string>{"Done."});
    EXPECT_EQ(platform::DefaultPrinterName(), kOtherPrinter);
    EXPECT_EQ(platform::ReadStoredValue(platform::Store::PdfWriter, "OutputFile"), "/elsewhere/report.pdf");
    EXPECT_EQ(platform::ReadStoredValue(platform::Store::PdfWriter, "BypassSaveAs"), std::nullopt);
}
// A run that cannot take its locks cannot tell whether another run is printing: it refuses, naming the
// lock folder and the reason, and changes neither the default printer nor the PDF printer's values.
TEST_F(BatchRunTest, UnusableLocksRefuseTheRunByFolderAndReasonAndChangeNothing) {
    const std::string folder = home.ConfigHome() + "/Tarnwicke/.locks";
    const std::string a = Input("a.txt", "alpha");
    form.SetRows({a});
    for (const int error : {ENOTDIR, ELOOP}) {
        if (error == ENOTDIR) {
            home.WriteFile("home/.config/Tarnwicke/.locks", "a file in the folder's place");
        } else {
            fs::remove(folder);
            fs::create_directory_symlink(folder, folder);
        }
        form.ui.messages.clear();
        run.PushButton2_Click(form);
        const auto texts = form.ui.MessageTexts();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_NE(texts[0].find("The lock folder " + folder + " cannot be used: " + std::strerror(error)),
                  std::string::npos)
            << texts[0];
        EXPECT_EQ(texts[1], "Done.\r\n\r\nNot converted:\r\n" + a + ": the run's locks could not be taken");
        EXPECT_FALSE(fs::exists(log));
        EXPECT_EQ(platform::DefaultPrinterName(), kOtherPrinter);
        EXPECT_EQ(platform::ReadStoredValue(platform::Store::PdfWriter, "OutputFile"), std::nullopt);
    }
}

// The user's own choice of default printer comes back as it stood, also when there was none or it names
// a printer that is gone.
TEST_F(BatchRunTest, TheDefaultPrinterChoiceComesBackAsItStood) {
    const std::string printers = "[Printers]\nTarnwicke PDF Writer=CPW2:\n";
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {printers, std::nullopt},
        {printers + "[Default]\nName=\n", ""},
        {printers + "[Default]\nName=Gone Laser\n", "Gone Laser"},
    };
    form.SetRows({Input("a.txt", "alpha")});
    for (const auto& [text, choice] : cases) {
        home.WriteFile("home/.config/Tarnwicke/printers.conf", text);
        run.PushButton2_Click(form);
        EXPECT_EQ(form.ui.MessageTexts().back(), "Done.") << text;
        EXPECT_EQ(platform::DefaultPrinterSetting(), choice) << text;
    }
}
#endif

TEST_F(BatchRunTest, ClosingTheWindowStopsAfterTheCurrentFileAndRestoresThePrinter) {
    form.SetRows({Input("a.txt", "alpha"), Input("b.txt", "beta"), Input("c.txt", "gamma")});
    form.onDoEvents = [&] { form.closing = !Calls().empty(); };
    run.PushButton2_Click(form);
    EXPECT_EQ(Calls().size(), 1u);
    EXPECT_TRUE(form.ui.messages.empty());
    EXPECT_EQ(platform::DefaultPrinterName(), kOtherPrinter);
    EXPECT_FALSE(run.IsConverting());
}

TEST_F(BatchRunTest, ARowRemovedDuringTheRunIsReportedAndTheOthersAreConverted) {
    form.SetRows({Input("a.txt", "alpha"), Input("b.txt", "beta"), Input("c.txt", "gamma")});
    form.onDoEvents = [&] {
        if (form.RowCount() == 3) {
            form.RemoveRow(3);
        }
    };
    run.PushButton2_Click(form);
    EXPECT_EQ(Calls().size(), 2u);
    ASSERT_EQ(form.ui.messages.size(), 2u);
    EXPECT_EQ(form.ui.messages[0].text,
              "Index out of bounds\r\nin Velltrane2021/08/31.Form1.PushButton2_Click at "
              "line 120\r\rPlease email screenshot of this message to "
              "support@plumavert.example");
    EXPECT_EQ(form.ui.messages[0].title, "Application Error");
    EXPECT_EQ(form.ui.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(form.ui.messages[1].text, "Done.");
}

TEST_F(BatchRunTest, MoreRowsThanASixteenBitCountAreAllProcessed) {
    platform::OverrideProgramFolder(home.Root()); // no registration: nothing is started
    const long rows = 32770;
    for (long i = 0; i < rows; ++i) {
        form.AppendRow(out + P("/missing") + std::to_string(i) + ".txt");
    }
    run.PushButton2_Click(form);
    ASSERT_EQ(form.ui.messages.size(), 1u);
    EXPECT_NE(form.ui.messages[0].text.find("\r\nand 32750 more."), std::string::npos);
    EXPECT_DOUBLE_EQ(form.progressValues[static_cast<std::size_t>(rows - 1)], 100.0);
}

TEST(Pause, WaitsTheFullTimeAcrossMidnightWithoutSpinning) {
    test::MemoryForm form;
    form.clock = 86399.5;
    // A pause that misreads the wrap would wait for ever; closing the window after a few waits ends it.
    form.onDoEvents = [&form] { form.closing = form.waits.size() >= 3; };
    Pause(form, 2.0);
    EXPECT_EQ(form.waits, std::vector<int>{2000});
    EXPECT_NEAR(form.clock, 1.5, 1e-9);

    test::MemoryForm idle;
    Pause(idle, 0);
    Pause(idle, -4);
    EXPECT_EQ(idle.doEventsCount, 0);
}

// Pauses of any length wait in bounded steps, never spinning, and add up across every midnight; an
// endless one ends when the window closes.
TEST(Pause, AnyLengthWaitsInBoundedStepsAndEndsWhenTheWindowCloses) {
    struct Case {
        double seconds;
        int waitsBeforeClosing; // 0: the window stays open; the wait it closes in ends at once
        double expectedSeconds;
    };
    const Case cases[] = {
        {2 * 86400.0 + 0.5, 0, 2 * 86400.0 + 0.5}, {1e9, 5, 4 * 3600.0}, {1e20, 3, 2 * 3600.0}};
    for (const auto& c : cases) {
        test::MemoryForm form;
        form.onDoEvents = [&] {
            form.closing = c.waitsBeforeClosing != 0 && form.doEventsCount >= c.waitsBeforeClosing;
        };
        Pause(form, c.seconds);
        double waited = 0;
        for (const int ms : form.waits) {
            EXPECT_GT(ms, 0) << c.seconds;
            EXPECT_LE(ms, 3600 * 1000) << c.seconds;
            waited += ms / 1000.0;
        }
        EXPECT_DOUBLE_EQ(waited, c.expectedSeconds) << c.seconds;
    }
}

TEST(OutputNames, ReplaceTheLastExtensionWithPdf) {
    const std::pair<std::string, std::string> cases[] = {
        {P("/in/report.final.txt"), "report.final.pdf"},
        {P("/in/.txt"), ".pdf"},
        {P("/in/readme"), "readme.pdf"},
        {P("/in/a.b.c.txt"), "a.b.c.pdf"},
        {P("/in.d/notes"), "notes.pdf"},
        {"name.", "name.pdf"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(OutputNameFor(input), expected) << input;
    }
    EXPECT_EQ(GetFileName(P("/a/b.txt")), "b.txt");
    EXPECT_EQ(GetFileName("b.txt"), "b.txt");
    EXPECT_EQ(GetFolderPart(P("/a/b.txt")), P("/a/"));
    EXPECT_EQ(GetFolderPart("b.txt"), "");
}

TEST(DoneMessage, ListsAtMostTwentyFailuresAndCountsTheRest) {
    std::vector<NotConverted> failed;
    for (int i = 1; i <= 22; ++i) {
        failed.push_back({"/in/" + std::to_string(i), "cannot be read"});
    }
    const std::string message = DoneMessage(failed);
    EXPECT_EQ(
        message.rfind("Done.\r\n\r\nNot converted:\r\n/in/1: cannot be read\r\n/in/2: cannot be read\r\n", 0),
        0u);
    EXPECT_NE(message.find("\r\n/in/20: cannot be read\r\nand 2 more."), std::string::npos);
    EXPECT_EQ(message.find("/in/21"), std::string::npos);
    EXPECT_EQ(DoneMessage({}), "Done.");
}

} // namespace
} // namespace pf

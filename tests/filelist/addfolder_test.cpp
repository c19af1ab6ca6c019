#include "addfolder.h"
#include "apptitle.h"
#include "filelist.h"
#include "fixturetree.h"
#include "memoryform.h"
#include "settings.h"
#include "temphome.h"

#include <gtest/gtest.h>

namespace pf {
namespace {

using test::FixtureTree;
using test::MemoryForm;
using test::NativeSeparators;
using test::TempHome;

constexpr const char* kPrompt =
    "Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all doc files, etc.)";

constexpr const char* kQuotedName = "it's \"quoted\".txt";
constexpr const char* kChineseName = "\xE4\xB8\xAD\xE6\x96\x87.txt";

// The expected rows of this system. A Windows folder cannot hold a name with a double quote, and a name
// outside the ANSI code page does not open through it, so Windows lists neither.
std::vector<std::string> OnThisSystem(std::vector<std::string> names) {
#ifdef _WIN32
    std::erase_if(names, [](const std::string& name) { return name == kQuotedName || name == kChineseName; });
#endif
    return names;
}

// A tree with every kind of name the adder meets: letter cases, "~" and dot files, quotes, spaces,
// names without extension, non-ASCII names, and folders whose names the walk refuses.
class AddFolderTest : public ::testing::Test {
protected:
    AddFolderTest() : tree(home.Root() + "/tree") {
        tree.Add({"A.TXT", "b.txt", ".hidden.txt", "~lock.txt", "noext", "with space.txt", "notes.txt.bak",
                  kChineseName, "Zeta/z1.txt", "Zeta/deep/d.txt", "alpha/a.txt",
                  "alpha/\xC3\x9C"
                  "ber/\xC3\xBC.txt",
                  "alpha/.dotdir/inner.txt", "alpha/.dotdir/.x.txt",
                  "en\xE2\x80\x93"
                  "dash/e.txt",
                  "\xE6\x97\xA5\xE6\x9C\xAC/j.txt"});
#ifndef _WIN32
        tree.Add({kQuotedName, "what?/q.txt"});
        tree.AddFifo("pipe.txt");
#endif
    }

    // Clicks the button answering the extension question and the folder browser.
    void Click(const std::string& extension, const std::string& folder) {
        form.ui.textAnswers.push_back(extension);
        form.ui.folderAnswers.push_back(folder);
        PushButton4_Click(form);
    }

    std::vector<std::string> Rows(const std::vector<std::string>& relatives) const {
        std::vector<std::string> rows;
        for (const auto& relative : relatives) {
            rows.push_back(tree.Path(relative));
        }
        return rows;
    }

    const std::vector<std::string> allFiles =
        OnThisSystem({"A.TXT", "b.txt", kQuotedName, "noext", "notes.txt.bak", "with space.txt", kChineseName,
                      "alpha/a.txt", "Zeta/z1.txt", "alpha/.dotdir/inner.txt",
                      "alpha/\xC3\x9C"
                      "ber/\xC3\xBC.txt",
                      "Zeta/deep/d.txt"});
    const std::vector<std::string> textFiles =
        OnThisSystem({"A.TXT", "b.txt", kQuotedName, "with space.txt", kChineseName, "alpha/a.txt",
                      "Zeta/z1.txt", "alpha/.dotdir/inner.txt",
                      "alpha/\xC3\x9C"
                      "ber/\xC3\xBC.txt",
                      "Zeta/deep/d.txt"});

    TempHome home;
    FixtureTree tree;
    MemoryForm form;
};

TEST_F(AddFolderTest, AllFilesOfTheTreeArriveFolderByFolderInWalkOrder) {
    Click("*", tree.Root());
    EXPECT_EQ(form.Rows(), Rows(allFiles));
    EXPECT_EQ(form.pointerHistory,
              (std::vector<MousePointer>{MousePointer::Hourglass, MousePointer::Default}));
    EXPECT_EQ(ReadSetting(key::kExtension, ""), "*");
    EXPECT_EQ(ReadSetting(key::kLastFolder, ""), tree.Root());
    EXPECT_TRUE(form.ui.messages.empty());
}

// The walk hands the file loop what its listings showed of each folder's files; the rows are those that
// listing every folder again gives, whatever the pattern.
TEST_F(AddFolderTest, FilesKeptByTheWalkGiveTheRowsThatListingEachFolderAgainGives) {
    for (const char* pattern : {"*.*", "*.txt", "*.TXT", "*.", "n*", "?.txt"}) {
        FolderWalkList list{tree.Root() + platform::PathSeparator()};
        FolderFiles files;
        GetSubDirectories2016(form, list, &files);
        MemoryForm kept;
        AppendListedFiles(kept, list, pattern, nullptr, &files);
        MemoryForm listedAgain;
        AppendListedFiles(listedAgain, list, pattern, nullptr);
        EXPECT_EQ(kept.Rows(), listedAgain.Rows()) << pattern;
    }
}

TEST_F(AddFolderTest, TheExtensionIsMatchedAsTypedIgnoringLetterCase) {
    struct Case {
        const char* extension;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"txt", textFiles}, {"TXT", textFiles}, {".txt", {}}, {"bak", {"notes.txt.bak"}}, {"t?t", textFiles},
    };
    for (const auto& c : cases) {
        form.ClearRows();
        Click(c.extension, tree.Root());
        EXPECT_EQ(form.Rows(), Rows(c.rows)) << c.extension;
        EXPECT_EQ(ReadSetting(key::kExtension, ""), c.extension);
    }
}

// Every letter of a typed extension folds, the first and the last of the alphabet too.
TEST_F(AddFolderTest, EveryLetterOfTheExtensionMatchesInEitherCase) {
    const FixtureTree cased(home.Root() + "/cased");
    cased.Add({"NOTES.BAK", "X.DAT", "A.ZIP"});
    for (const auto& [extension, name] :
         {std::pair{"bak", "NOTES.BAK"}, {"dat", "X.DAT"}, {"zip", "A.ZIP"}}) {
        form.ClearRows();
        Click(extension, cased.Root());
        EXPECT_EQ(form.Rows(), std::vector<std::string>{cased.Path(name)}) << extension;
    }
}

TEST_F(AddFolderTest, AsksWithTheStoredExtensionAndStartsTheBrowserAtTheLastFolder) {
    Click("md", tree.Root());
    MemoryForm restarted;
    restarted.ui.textAnswers.push_back("txt");
    restarted.ui.folderAnswers.push_back(tree.Path("alpha"));
    PushButton4_Click(restarted);
    ASSERT_EQ(form.ui.prompts.size(), 1u);
    EXPECT_EQ(form.ui.prompts[0].prompt, kPrompt);
    EXPECT_EQ(form.ui.prompts[0].title, ApplicationTitle());
    EXPECT_EQ(form.ui.prompts[0].defaultAnswer, "txt");
    ASSERT_EQ(form.ui.browses.size(), 1u);
    EXPECT_EQ(form.ui.browses[0].prompt, "Please select folder:");
    EXPECT_EQ(form.ui.browses[0].startFolder, "");
    ASSERT_EQ(restarted.ui.prompts.size(), 1u);
    EXPECT_EQ(restarted.ui.prompts[0].defaultAnswer, "md");
    ASSERT_EQ(restarted.ui.browses.size(), 1u);
    EXPECT_EQ(restarted.ui.browses[0].startFolder, tree.Root());
    EXPECT_EQ(restarted.Rows(), Rows({"alpha/a.txt", "alpha/.dotdir/inner.txt",
                                      "alpha/\xC3\x9C"
                                      "ber/\xC3\xBC.txt"}));
}

TEST_F(AddFolderTest, CancellingTheExtensionQuestionChangesNothing) {
    form.ui.textAnswers.push_back("");
    PushButton4_Click(form);
    EXPECT_TRUE(form.ui.browses.empty());
    EXPECT_TRUE(form.pointerHistory.empty());
    EXPECT_TRUE(form.Rows().empty());
    EXPECT_EQ(ReadSetting(key::kExtension, "unset"), "unset");
}

TEST_F(AddFolderTest, CancellingTheBrowserKeepsTheAnsweredExtension) {
    Click("log", "");
    EXPECT_EQ(ReadSetting(key::kExtension, ""), "log");
    EXPECT_EQ(ReadSetting(key::kLastFolder, "unset"), "unset");
    EXPECT_TRUE(form.pointerHistory.empty());
    EXPECT_TRUE(form.Rows().empty());
    EXPECT_TRUE(form.ui.messages.empty());
}

TEST_F(AddFolderTest, AFolderChosenWithATrailingSeparatorGivesCleanRows) {
    Click("txt", tree.Root() + NativeSeparators("/"));
    EXPECT_EQ(form.Rows(), Rows(textFiles));
    EXPECT_EQ(ReadSetting(key::kLastFolder, ""), tree.Root() + NativeSeparators("/"));
}

TEST_F(AddFolderTest, AnEmptyTreeAddsNothingAndRestoresThePointer) {
    FixtureTree empty(home.Root() + "/empty");
    Click("*", empty.Root());
    EXPECT_TRUE(form.Rows().empty());
    EXPECT_TRUE(form.ui.messages.empty());
    EXPECT_EQ(form.pointerHistory,
              (std::vector<MousePointer>{MousePointer::Hourglass, MousePointer::Default}));
}

TEST_F(AddFolderTest, ClearListIsRefusedWhileTheWalkRunsAndWorksAfterwards) {
    form.SetRows({"/earlier.txt"});
    std::vector<MousePointer> pointersDuringWalk;
    form.onDoEvents = [&] {
        pointersDuringWalk.push_back(form.Pointer());
        PushButton3_Click(form);
    };
    Click("*", tree.Root());
    std::vector<std::string> expected = {"/earlier.txt"};
    for (const auto& row : Rows(allFiles)) {
        expected.push_back(row);
    }
    EXPECT_EQ(form.Rows(), expected);
    ASSERT_FALSE(pointersDuringWalk.empty());
    EXPECT_EQ(pointersDuringWalk,
              std::vector<MousePointer>(pointersDuringWalk.size(), MousePointer::Hourglass));
    PushButton3_Click(form);
    EXPECT_TRUE(form.Rows().empty());
}

TEST_F(AddFolderTest, FailuresAreReportedWithTheirLineAndTheHandlerGoesOn) {
    home.BlockUserStores();
    Click("txt", tree.Root());
    const auto texts = form.ui.MessageTexts();
    ASSERT_EQ(texts.size(), 3u);
    const int lines[] = {100, 104, 334};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string where =
            "\r\nin Velltrane2021/08/31.Form1.PushButton4_Click at line " + std::to_string(lines[i]) + "\r\r";
        EXPECT_NE(texts[i].find(where), std::string::npos) << texts[i];
    }
    EXPECT_EQ(form.Rows(), Rows(textFiles));
    EXPECT_EQ(form.Pointer(), MousePointer::Default);
}

TEST_F(AddFolderTest, ADroppedFolderAddsEveryFileWithoutTouchingPointerOrSettings) {
    AppendTreeFiles(form, tree.Root(), "*.*");
    EXPECT_EQ(form.Rows(), Rows(allFiles));
    EXPECT_TRUE(form.pointerHistory.empty());
    EXPECT_EQ(ReadSetting(key::kExtension, "unset"), "unset");
}

TEST(ClearList, EmptiesTheListUnlessTheWindowIsBusy) {
    MemoryForm form;
    PushButton3_Click(form);
    EXPECT_TRUE(form.ui.messages.empty());
    form.SetRows({"/a.txt", "/a.txt"});
    form.SetPointer(MousePointer::Hourglass);
    PushButton3_Click(form);
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{"/a.txt", "/a.txt"}));
    form.SetPointer(MousePointer::Custom);
    PushButton3_Click(form);
    EXPECT_TRUE(form.Rows().empty());
}

#ifdef _WIN32
TEST_F(AddFolderTest, ADriveRootGivesRowsWithOneSeparatorAfterTheColonAndSkipsHiddenSystemFolders) {
    const test::TestDrive drive;
    if (!drive.Root()) {
        GTEST_SKIP() << "no test drive: set PF_TEST_DRIVE to a drive letter of an empty folder";
    }
    const std::string root = *drive.Root();
    FixtureTree volume(root);
    volume.Add({"top.txt", "sub/inner.txt", "System Volume Information/tracking.log"});
    test::SetFileAttributeBits(volume.Path("System Volume Information"), 2 | 4);
    Click("*", root);
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{root + "top.txt", root + "sub\\inner.txt"}));
}

TEST_F(AddFolderTest, HiddenSystemFilesAreListedButHiddenArchiveFilesAreNot) {
    FixtureTree flagged(home.Root() + "/flagged");
    flagged.Add({"desktop.ini", "hidden.txt", "plain.txt", "readonly.txt"});
    test::SetFileAttributeBits(flagged.Path("desktop.ini"), 2 | 4 | 32);
    test::SetFileAttributeBits(flagged.Path("hidden.txt"), 2 | 32); // exactly 34: left out
    test::SetFileAttributeBits(flagged.Path("readonly.txt"), 1 | 2 | 32);
    Click("*", flagged.Root());
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{flagged.Path("desktop.ini"), flagged.Path("plain.txt"),
                                                     flagged.Path("readonly.txt")}));
    test::SetFileAttributeBits(flagged.Path("readonly.txt"), 32);
}
#endif

#ifndef _WIN32
TEST(NormalizePath, CollapsesDoubledSeparatorsOnceAndKeepsOneLeadingSeparator) {
    struct Case {
        const char* path;
        const char* normalized;
    };
    const Case cases[] = {
        {"", ""},
        {"/home/ann/notes.txt", "/home/ann/notes.txt"},
        {"/tree//alpha/a.txt", "/tree/alpha/a.txt"},
        {"//a.txt", "/a.txt"},
        {"/a.txt", "/a.txt"},
        {"///srv//share/x", "/srv/share/x"},
        {"a///b", "a//b"},
        {"a////b", "a//b"},
        {"a/////b", "a///b"},
        {"rel//x", "rel/x"},
        {"/", "/"},
        {"////", "/"},
        {"dir//", "dir/"},
        {"C:\\\\x", "C:\\\\x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormalizePath(c.path), c.normalized) << c.path;
    }
}

#else
TEST(NormalizePath, CollapsesDoubledBackslashesOnceAndMakesALeadingRunTheNetworkPrefix) {
    struct Case {
        const char* path;
        const char* normalized;
    };
    const Case cases[] = {
        {"", ""},
        {"C:\\Users\\ann\\notes.txt", "C:\\Users\\ann\\notes.txt"},
        {"C:\\tree\\\\alpha\\a.txt", "C:\\tree\\alpha\\a.txt"},
        {"C:\\\\a.txt", "C:\\a.txt"},
        {"\\\\srv\\share\\x", "\\\\srv\\share\\x"},
        {"\\\\\\srv\\\\share\\x", "\\\\srv\\share\\x"},
        {"\\temp.txt", "\\\\temp.txt"},
        {"a\\\\\\b", "a\\\\b"},
        {"a\\\\\\\\b", "a\\\\b"},
        {"a\\\\\\\\\\b", "a\\\\\\b"},
        {"\\\\\\\\", "\\\\"},
        {"dir\\\\", "dir\\"},
        {"C:/in//x", "C:/in//x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormalizePath(c.path), c.normalized) << c.path;
    }
}
#endif

} // namespace
} // namespace pf

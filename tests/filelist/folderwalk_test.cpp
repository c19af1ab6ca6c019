#include "addfolder.h"
#include "fixturetree.h"
#include "folderwalk.h"
#include "locations.h"
#include "memoryform.h"
#include "reports.h"
#include "runtimeerror.h"
#include "temphome.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pf {
namespace {

using test::FixtureTree;
using test::MemoryForm;
using test::NativeSeparators;
using test::TempHome;

// Walks one folder as the adders do: a fresh list holding the folder and a separator.
FolderWalkList Walk(MemoryForm& form, const std::string& folder) {
    FolderWalkList list{folder + NativeSeparators("/")};
    GetSubDirectories2016(form, list);
    return list;
}

// Prefixes every relative entry with the root, so expectations read as relative paths.
FolderWalkList Under(const std::string& root, const std::vector<std::string>& relatives) {
    FolderWalkList list;
    for (const auto& relative : relatives) {
        list.push_back(root + NativeSeparators("/" + relative));
    }
    return list;
}

TEST(GetSubDirectories2016, WalksLevelByLevelInCaseInsensitiveOrderLeavingOutRefusedNames) {
    TempHome home;
    FixtureTree tree(home.Root() + "/tree");
    tree.Add({"Zeta/deep/",
              "alpha/\xC3\x9C"
              "ber/",
              "alpha/.dotdir/", "alpha/a.txt", "top.txt"});
    tree.Add({"en\xE2\x80\x93"
              "dash/inner/",
              "curly\xE2\x80\x9Cq\xE2\x80\x9D/", "del\x7F/", "\xE6\x97\xA5\xE6\x9C\xAC/",
              "euro\xE2\x82\xAC/"});
#ifndef _WIN32
    tree.Add({"what?/", "tab\there/"}); // Windows names cannot hold these
#endif
    MemoryForm form;
    EXPECT_EQ(Walk(form, tree.Root()), Under(tree.Root(), {"", "alpha/", "Zeta/", "alpha/.dotdir/",
                                                           "alpha/\xC3\x9C"
                                                           "ber/",
                                                           "Zeta/deep/"}));
    EXPECT_TRUE(form.ui.messages.empty());
}

TEST(GetSubDirectories2016, AnEmptyTreeIsJustItsFolder) {
    TempHome home;
    FixtureTree tree(home.Root() + "/empty");
    MemoryForm form;
    EXPECT_EQ(Walk(form, tree.Root()), Under(tree.Root(), {""}));
}

#ifndef _WIN32
TEST(GetSubDirectories2016, LinksNeverLeadBackIntoAFolderTheWalkHolds) {
    TempHome home;
    FixtureTree outside(home.Root() + "/outside");
    outside.Add({"o/"});
    FixtureTree tree(home.Root() + "/tree");
    tree.Add({"a/", "c/", "x/", "y/"});
    tree.AddLink("a/up", "..");
    tree.AddLink("a/self", ".");
    tree.AddLink("b", outside.Root());
    tree.AddLink("c/sibling", "../a");
    tree.AddLink("x/to_y", "../y");
    tree.AddLink("y/to_x", "../x");
    tree.AddLink("dangling", "missing");
    MemoryForm form;
    EXPECT_EQ(Walk(form, tree.Root()), Under(tree.Root(), {"", "a/", "b/", "c/", "x/", "y/", "b/o/"}));
}

TEST(GetSubDirectories2016, ALinkToAFolderTheWalkMeetsLaterIsWalkedUnderBothPaths) {
    TempHome home;
    FixtureTree tree(home.Root() + "/tree");
    tree.Add({"z/deep/"});
    tree.AddLink("early", "z/deep");
    MemoryForm form;
    EXPECT_EQ(Walk(form, tree.Root()), Under(tree.Root(), {"", "early/", "z/", "z/deep/"}));
}

#endif

TEST(GetSubDirectories2016, AnEntryThatVanishesIsRemovedAndTheWalkGoesOnWithTheNext) {
    TempHome home;
    FixtureTree tree(home.Root() + "/tree");
    tree.Add({"x/", "gone/", "y/z/"});
    MemoryForm form;
    // The second message run is the one right after "gone" was opened.
    form.onDoEvents = [&] {
        if (form.doEventsCount == 2) {
            tree.Remove("gone");
        }
    };
    FolderWalkList list = Under(tree.Root(), {"x/", "gone/", "y/"});
    GetSubDirectories2016(form, list);
    EXPECT_EQ(list, Under(tree.Root(), {"x/", "y/", "y/z/"}));
    EXPECT_TRUE(form.ui.messages.empty());
}

TEST(GetSubDirectories2016, AStartFolderThatVanishesLeavesAnEmptyList) {
    TempHome home;
    FixtureTree tree(home.Root() + "/tree");
    tree.Add({"a/"});
    MemoryForm form;
    form.onDoEvents = [&] { tree.Remove(""); };
    EXPECT_EQ(Walk(form, tree.Root()), FolderWalkList{});
    EXPECT_TRUE(form.ui.messages.empty());
}

TEST(GetSubDirectories2016, LetsMessagesRunOncePerFolderExaminedSubfolderFoundAndFolderAppended) {
    TempHome home;
    FixtureTree tree(home.Root() + "/tree");
    tree.Add({"a/a1/", "b/", "file.txt"});
    MemoryForm form;
    Walk(form, tree.Root());
    // Examined: tree, a, b, a1; found: a, b, a1; taken over into the list: a, b, a1.
    EXPECT_EQ(form.doEventsCount, 10);
}

TEST(GetSubDirectories2016, AnUnexpectedFailureIsReportedWithTheWalksLocationAndLineAndTheWalkGoesOn) {
    // Message runs: tree opened (line 114), a found (120), a opened (114), a appended (156).
    struct Case {
        int failingRun;
        int line;
    };
    const Case cases[] = {{1, 114}, {2, 120}, {3, 114}, {4, 156}};
    for (const auto& c : cases) {
        TempHome home;
        FixtureTree tree(home.Root() + "/tree");
        tree.Add({"a/"});
        MemoryForm form;
        form.onDoEvents = [&] {
            if (form.doEventsCount == c.failingRun) {
                throw RuntimeError(err::kInvalidProcedureCall);
            }
        };
        EXPECT_EQ(Walk(form, tree.Root()), Under(tree.Root(), {"", "a/"})) << c.failingRun;
        EXPECT_EQ(form.ui.MessageTexts(),
                  std::vector<std::string>{"Invalid procedure call or argument\r\nin "
                                           "DorvithTitle2021/08/31.AddFolder.GetSubDirectories2016 at line " +
                                           std::to_string(c.line) +
                                           "\r\rPlease email screenshot of this message to " +
                                           kSupportAddress})
            << c.failingRun;
    }
}

#ifndef _WIN32
// Root reads every folder, so the check runs the walk again as the unprivileged user "nobody", who
// cannot list the two folders locked with mode 0, and may read but not search the one with mode 0444.
constexpr const char* kLockedTreeVariable = "PF_LOCKED_TREE";

void ExpectLockedFoldersDropped(const std::string& root) {
    MemoryForm form;
    EXPECT_EQ(Walk(form, root), Under(root, {"", "a/", "c/", "e/", "a/x/"}));
    EXPECT_TRUE(form.ui.messages.empty());
    EXPECT_EQ(GetFilesInFolder(root + "/c", "*.*"), std::vector<std::string>{"c.txt"});
    EXPECT_TRUE(GetFilesInFolder(root + "/e", "*.*").empty());
}

std::string RunAsNobody(const std::string& testName) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups '" + self +
                                "' --gtest_filter=" + testName + " 2>&1";
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return "cannot start: " + command;
    }
    std::array<char, 4096> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
        output += buffer.data();
    }
    const int status = ::pclose(pipe);
    return output + "\nexit status " + std::to_string(status);
}

TEST(GetSubDirectories2016, FoldersWithoutAccessAreDroppedAndTheWalkGoesOn) {
    if (const char* root = std::getenv(kLockedTreeVariable)) {
        ExpectLockedFoldersDropped(root);
        std::cout << "walked as uid " << ::geteuid() << std::endl;
        return;
    }
    TempHome home;
    ::chmod(home.Root().c_str(), 0755);
    FixtureTree tree(home.Root() + "/locked");
    tree.Add({"a/x/", "b/inner/", "c/c.txt", "d/", "e/sub/", "e/e.txt"});
    tree.SetMode("b", 0);
    tree.SetMode("d", 0);
    tree.SetMode("e", 0444);
    if (::geteuid() != 0) {
        ExpectLockedFoldersDropped(tree.Root());
        return;
    }
    ::setenv(kLockedTreeVariable, tree.Root().c_str(), 1);
    const std::string output =
        RunAsNobody("GetSubDirectories2016.FoldersWithoutAccessAreDroppedAndTheWalkGoesOn");
    ::unsetenv(kLockedTreeVariable);
    EXPECT_NE(output.find("walked as uid 65534"), std::string::npos) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
    EXPECT_NE(output.find("exit status 0"), std::string::npos) << output;
}

TEST(GetFilesInFolder, ListsFilesThatOpenInListingOrderWithOrWithoutTheSeparator) {
    TempHome home;
    FixtureTree tree(home.Root() + "/files");
    tree.Add({"b.TXT", "a.txt", ".dot.txt", "~lock.txt", "sub/", "c.txt.bak", "noext"});
    tree.AddFifo("pipe.txt");
    tree.AddLink("link.txt", "a.txt");
    tree.AddLink("broken.txt", "missing");
    const std::vector<std::string> all = {".dot.txt", "a.txt", "b.TXT",    "c.txt.bak",
                                          "link.txt", "noext", "~lock.txt"};
    EXPECT_EQ(GetFilesInFolder(tree.Root(), "*.*"), all);
    EXPECT_EQ(GetFilesInFolder(tree.Root() + "/", "*.*"), all);
    EXPECT_EQ(GetFilesInFolder(tree.Root(), "*.txt"),
              (std::vector<std::string>{".dot.txt", "a.txt", "b.TXT", "link.txt", "~lock.txt"}));
    EXPECT_TRUE(GetFilesInFolder(tree.Path("missing"), "*.*").empty());
}

TEST(FileTests, IsExistingFolderAndCanOpenExistingFileNeverConfuseFilesAndFolders) {
    TempHome home;
    FixtureTree tree(home.Root() + "/t");
    tree.Add({"dir/", "file"});
    tree.AddLink("dirlink", "dir");
    tree.AddLink("dangling", "missing");
    tree.AddFifo("fifo");
    struct Case {
        const char* relative;
        bool folder;
        bool file;
    };
    const Case cases[] = {{"dir", true, false},     {"dir/", true, false},      {"dirlink/", true, false},
                          {"file", false, true},    {"dangling", false, false}, {"fifo", false, false},
                          {"missing", false, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(platform::IsExistingFolder(tree.Path(c.relative)), c.folder) << c.relative;
        EXPECT_EQ(platform::CanOpenExistingFile(tree.Path(c.relative)), c.file) << c.relative;
    }
    EXPECT_FALSE(platform::IsExistingFolder(""));
    EXPECT_FALSE(platform::CanOpenExistingFile(""));
}

#else
TEST(GetFilesInFolder, ListsFilesThatOpenInListingOrderWithOrWithoutTheSeparator) {
    TempHome home;
    FixtureTree tree(home.Root() + "/files");
    tree.Add({"b.TXT", "a.txt", ".dot.txt", "~lock.txt", "sub/", "c.txt.bak", "noext"});
    const std::vector<std::string> all = {".dot.txt", "a.txt", "b.TXT", "c.txt.bak", "noext", "~lock.txt"};
    EXPECT_EQ(GetFilesInFolder(tree.Root(), "*.*"), all);
    EXPECT_EQ(GetFilesInFolder(tree.Root() + "\\", "*.*"), all);
    EXPECT_EQ(GetFilesInFolder(tree.Root(), "*.txt"),
              (std::vector<std::string>{".dot.txt", "a.txt", "b.TXT", "~lock.txt"}));
    EXPECT_TRUE(GetFilesInFolder(tree.Path("missing"), "*.*").empty());
}

TEST(FileTests, IsExistingFolderAndCanOpenExistingFileNeverConfuseFilesAndFolders) {
    TempHome home;
    FixtureTree tree(home.Root() + "/t");
    tree.Add({"dir/", "file"});
    struct Case {
        const char* relative;
        bool folder;
        bool file;
    };
    const Case cases[] = {
        {"dir", true, false}, {"dir/", true, false}, {"file", false, true}, {"missing", false, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(platform::IsExistingFolder(tree.Path(c.relative)), c.folder) << c.relative;
        EXPECT_EQ(platform::CanOpenExistingFile(tree.Path(c.relative)), c.file) << c.relative;
    }
    EXPECT_FALSE(platform::IsExistingFolder(""));
    EXPECT_FALSE(platform::CanOpenExistingFile(""));
}
#endif

#ifdef _WIN32
constexpr unsigned kHidden = 2;
constexpr unsigned kSystem = 4;
constexpr unsigned kReadOnly = 1;

// The rule compares the whole attribute value: one more bit (read-only here; Wine keeps no archive bit on
// folders) and the folder is walked.
TEST(GetSubDirectories2016, FoldersExactlyHiddenAndSystemAreLeftOutWithTheirTree) {
    TempHome home;
    FixtureTree tree(home.Root() + "/tree");
    tree.Add({"both/inner/", "hidden/inner/", "plain/", "system/", "readonly/inner/"});
    test::SetFileAttributeBits(tree.Path("both"), kHidden | kSystem); // 22 with the folder bit
    test::SetFileAttributeBits(tree.Path("hidden"), kHidden);
    test::SetFileAttributeBits(tree.Path("system"), kSystem);
    test::SetFileAttributeBits(tree.Path("readonly"), kHidden | kSystem | kReadOnly);
    MemoryForm form;
    EXPECT_EQ(Walk(form, tree.Root()), Under(tree.Root(), {"", "hidden/", "plain/", "readonly/", "system/",
                                                           "hidden/inner/", "readonly/inner/"}));
}

TEST(GetSubDirectories2016, AHiddenSystemStartFolderStaysButIsNotDescendedInto) {
    TempHome home;
    FixtureTree tree(home.Root() + "/tree");
    tree.Add({"a/"});
    test::SetFileAttributeBits(tree.Root(), kHidden | kSystem);
    MemoryForm form;
    EXPECT_EQ(Walk(form, tree.Root()), Under(tree.Root(), {""}));
}

TEST(GetSubDirectories2016, ADriveRootIsWalkedEvenWhenItReportsHiddenAndSystem) {
    const test::TestDrive drive;
    if (!drive.Root()) {
        GTEST_SKIP() << "no test drive: set PF_TEST_DRIVE to a drive letter of an empty folder";
    }
    const std::string root = *drive.Root();
    FixtureTree tree(root);
    tree.Add({"a/deep/", "System Volume Information/x/", "b/"});
    test::SetFileAttributeBits(tree.Path("System Volume Information"), kHidden | kSystem);
    test::SetFileAttributeBits(root, kHidden | kSystem);
    MemoryForm form;
    FolderWalkList list{root};
    GetSubDirectories2016(form, list);
    EXPECT_EQ(list, (FolderWalkList{root, root + "a\\", root + "b\\", root + "a\\deep\\"}));
}
#endif

TEST(HasBadNameCharacters, RefusesControlsQuestionMarksC1CodesAndUnmappableCharacters) {
    struct Case {
        const char* name;
        bool bad;
    };
    const Case cases[] = {
        {"plain name", false},
        {"caf\xC3\xA9 \xC3\xBF", false}, // é and ÿ are in the code page
        {"nbsp\xC2\xA0", false},         // code 160, just past the refused range
        {"en\xE2\x80\x93"
         "dash",
         true},                                   // code 150
        {"\xE2\x80\x9Cquoted\xE2\x80\x9D", true}, // codes 147 and 148
        {"euro\xE2\x82\xAC", true},               // code 128
        {"c1\xC2\x9F", true},                     // code 159
        {"del\x7F", true},                        // code 127
        {"tab\t", true},                          // below 32
        {"what?", true},                          // 63 itself
        {"\xE4\xB8\xAD", true},                   // no code: counts as 63
        {"bad\xFF", true},                        // not UTF-8: no code either
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HasBadNameCharacters(c.name), c.bad) << c.name;
    }
}

// A browser that breaks down instead of answering.
class FailingBrowserUi : public test::ScriptedUi {
public:
    std::string BrowseForFolder(const std::string&, const std::string&) override {
        throw RuntimeError(err::kAutomationError);
    }
};

TEST(BrowseForFolder, AsksThroughTheSeamAndCutsTheAnswerAtItsFirstNul) {
    test::ScriptedUi ui;
    ui.folderAnswers.push_back(std::string("/chosen\0junk", 12));
    EXPECT_EQ(BrowseForFolder(ui, "Please select folder:", "/start"), "/chosen");
    ASSERT_EQ(ui.browses.size(), 1u);
    EXPECT_EQ(ui.browses[0].prompt, "Please select folder:");
    EXPECT_EQ(ui.browses[0].startFolder, "/start");
}

TEST(BrowseForFolder, ABrowserFailureReadsAsCancelAndShowsNothing) {
    FailingBrowserUi ui;
    EXPECT_EQ(BrowseForFolder(ui, "Please select folder:", "/start"), "");
    EXPECT_TRUE(ui.messages.empty());
}

} // namespace
} // namespace pf

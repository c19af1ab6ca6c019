#include "fixturetree.h"
#include "platform.h"
#include "temphome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace pf::platform {
namespace {

// The Linux file system's answers: dot files, symbolic links and FIFOs. The Windows backend's are in
// windows_test.cpp.
#ifndef _WIN32
using test::FixtureTree;
using test::TempHome;

class FileSystemTest : public ::testing::Test {
protected:
    FileSystemTest() : tree(home.Root() + "/tree") {
        tree.Add({"dir/", ".dotdir/", "file.txt", ".dotfile", "sub/inner.txt"});
        tree.AddLink("dirlink", "dir");
        tree.AddLink(".dotlink", "dir");
        tree.AddLink("filelink", "file.txt");
        tree.AddLink("dangling", "missing");
        tree.AddFifo("fifo");
    }

    TempHome home;
    FixtureTree tree;
};

TEST_F(FileSystemTest, AttributesFollowTheWindowsBits) {
    struct Case {
        const char* relative;
        std::optional<unsigned> attributes;
    };
    const Case cases[] = {
        {"dir", 16},        {"dir/", 16},       {".dotdir", 18},    {"file.txt", 32},
        {".dotfile", 34},   {"dirlink", 1040},  {"dirlink/", 1040}, {".dotlink", 1042},
        {"filelink", 1056}, {"dangling", 1024}, {"fifo", 0},        {"missing", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileAttributes(tree.Path(c.relative)), c.attributes) << c.relative;
    }
    EXPECT_EQ(FileAttributes("/"), 16u);
    EXPECT_EQ(FileAttributes(""), std::nullopt);
}

TEST_F(FileSystemTest, OnlyRegularFilesAndLinksToThemOpenAsFiles) {
    struct Case {
        const char* relative;
        bool opens;
    };
    const Case cases[] = {
        {"file.txt", true},  {".dotfile", true}, {"filelink", true}, {"dir", false},       {"dirlink", false},
        {"dangling", false}, {"fifo", false},    {"missing", false}, {"file.txt/", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CanOpenExistingFile(tree.Path(c.relative)), c.opens) << c.relative;
    }
    EXPECT_FALSE(CanOpenExistingFile(""));
}

TEST_F(FileSystemTest, AFileThatNobodyMayReadStillOpensForTheExistenceTest) {
    tree.SetMode("file.txt", 0);
    EXPECT_TRUE(CanOpenExistingFile(tree.Path("file.txt")));
}

#endif

TEST(WildcardMatch, MatchesLikeWindowsIgnoringLetterCase) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.*", "noext", true},     {"*.*", "a.b.c", true},        {"*", "x", true},
        {"*.txt", "A.TXT", true},   {"*.TXT", "notes.txt", true},  {"*.txt", "a.b.txt", true},
        {"*.txt", ".txt", true},    {"*.txt", "a.txt.bak", false}, {"*.txt", "txt", false},
        {"*.doc", "a.docx", false}, {"*..txt", "a.txt", false},    {"*..txt", "a..txt", true},
        {"*.t?t", "a.tXt", true},   {"*.t?t", "a.tt", false},      {"*. txt", "a.txt", false},
        {"notes.*", "notes", true}, {"notes.*", "NOTES.md", true}, {"*.é", "X.É", true},
        {"*.ü*", "a.Übung", true},  {"*.T*", "a.tar.gz", true},    {"*.ΣΙ", "α.σι", true},
        {"*.txt", "a.txt ", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " ~ " << c.name;
    }
}

#ifndef _WIN32
TEST(ListFolderEntries, ListsInNtfsOrderWithCaseTwinsInByteOrder) {
    TempHome home;
    FixtureTree tree(home.Root() + "/order");
    tree.Add({"b", "a", "A", "_x", "Z", "\xC3\xA9", "~t", "\xC3\x84", "10", "9", "B2"});
    EXPECT_EQ(
        ListMatchingNames(tree.Root(), "*", false),
        (std::vector<std::string>{"10", "9", "A", "a", "b", "B2", "Z", "_x", "~t", "\xC3\x84", "\xC3\xA9"}));
}

TEST_F(FileSystemTest, FileListingsLeaveOutFoldersAndLinksToFolders) {
    EXPECT_EQ(ListMatchingNames(tree.Root(), "*.*", false),
              (std::vector<std::string>{".dotfile", "dangling", "fifo", "file.txt", "filelink"}));
    EXPECT_EQ(ListMatchingNames(tree.Root(), "*.*", true),
              (std::vector<std::string>{".dotdir", ".dotfile", ".dotlink", "dangling", "dir", "dirlink",
                                        "fifo", "file.txt", "filelink", "sub"}));
    EXPECT_EQ(ListMatchingNames(tree.Root(), "*.TXT", false), (std::vector<std::string>{"file.txt"}));
    EXPECT_TRUE(ListMatchingNames(tree.Path("missing"), "*", true).empty());
}

TEST_F(FileSystemTest, FolderEntriesCarryAttributesAndTheFileTest) {
    const auto entries = ListFolderEntries(tree.Root() + "/", "*", false);
    ASSERT_EQ(entries.size(), 5u);
    const unsigned attributes[] = {34, 1024, 0, 32, 1056};
    const bool opens[] = {true, false, false, true, true};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].attributes, attributes[i]) << entries[i].name;
        EXPECT_EQ(entries[i].opensAsFile, opens[i]) << entries[i].name;
    }
}

TEST_F(FileSystemTest, SubfoldersIncludeHiddenFoldersAndLinksToFoldersWithTheirTargets) {
    EXPECT_EQ(ListSubfolderNames(tree.Root()),
              (std::vector<std::string>{".dotdir", ".dotlink", "dir", "dirlink", "sub"}));
    const auto subfolders = ListSubfolders(tree.Root());
    ASSERT_EQ(subfolders.size(), 5u);
    EXPECT_EQ(subfolders[3].attributes, 1040u);
    EXPECT_EQ(subfolders[3].folderId, IdentifyFolder(tree.Path("dir")));
    EXPECT_EQ(subfolders[1].folderId, IdentifyFolder(tree.Path("dir")));
    EXPECT_EQ(subfolders[2].folderId, std::nullopt);
}

TEST_F(FileSystemTest, ListingAMissingFolderOrAFileFailsWithPathNotFound) {
    for (const char* relative : {"missing", "file.txt", "dangling"}) {
        try {
            ListSubfolders(tree.Path(relative));
            ADD_FAILURE() << relative << " was listed";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Number(), 76) << relative;
        }
    }
}

TEST_F(FileSystemTest, FolderIdentityFollowsLinksAndIsEmptyForFiles) {
    EXPECT_EQ(IdentifyFolder(tree.Path("dirlink")), IdentifyFolder(tree.Path("dir/")));
    EXPECT_NE(IdentifyFolder(tree.Path("dir")), IdentifyFolder(tree.Path("sub")));
    EXPECT_EQ(IdentifyFolder(tree.Path("file.txt")), std::nullopt);
    EXPECT_EQ(IdentifyFolder(tree.Path("missing")), std::nullopt);
}

TEST_F(FileSystemTest, CopyReplacesAReadOnlyTargetAndFailsForAMissingSource) {
    const std::string target = tree.AddFile("target.txt", "old contents");
    tree.SetMode("target.txt", 0444);
    tree.AddFile("source.txt", std::string(300000, 'x') + "end");
    CopyFileReplacing(tree.Path("source.txt"), target);
    EXPECT_EQ(test::ReadFile(target), std::string(300000, 'x') + "end");
    try {
        CopyFileReplacing(tree.Path("missing"), target);
        ADD_FAILURE() << "a missing source was copied";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Number(), 53);
    }
    EXPECT_EQ(ListMatchingNames(tree.Root(), "target.txt.?*", false), std::vector<std::string>{});
}

TEST_F(FileSystemTest, AReplacingFileAppearsWholeOnCommitAndLeavesNothingWhenDropped) {
    const std::vector<std::string> before = ListMatchingNames(tree.Root(), "*", true);
    const std::string target = tree.AddFile("target.txt", "old");
    tree.SetMode("target.txt", 0444);
    {
        ReplacingFile file(target);
        ASSERT_NE(file.File(), nullptr);
        std::fputs("new", file.File());
        EXPECT_EQ(test::ReadFile(target), "old");
        EXPECT_EQ(file.Commit(0640, true), 0);
    }
    EXPECT_EQ(test::ReadFile(target), "new");
    EXPECT_EQ(std::filesystem::status(target).permissions(), static_cast<std::filesystem::perms>(0640));
    {
        ReplacingFile dropped(tree.Path("dropped.txt"));
        std::fputs("never seen", dropped.File());
    }
    std::vector<std::string> expected = before;
    expected.emplace_back("target.txt");
    std::vector<std::string> after = ListMatchingNames(tree.Root(), "*", true);
    std::sort(expected.begin(), expected.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, expected);
}

TEST_F(FileSystemTest, AReplacingFileInAMissingFolderSaysWhy) {
    ReplacingFile file(tree.Path("missing/out.txt"));
    EXPECT_EQ(file.File(), nullptr);
    EXPECT_EQ(file.Error(), ENOENT);
    EXPECT_EQ(file.Commit(std::nullopt, false), ENOENT);
}

TEST_F(FileSystemTest, DeleteRemovesFilesButNotFoldersAndSaysWhenItFails) {
    EXPECT_TRUE(DeleteFileQuietly(tree.Path("file.txt")));
    EXPECT_FALSE(HasModificationTime(tree.Path("file.txt")));
    EXPECT_FALSE(DeleteFileQuietly(tree.Path("file.txt")));
    EXPECT_FALSE(ForceDeleteFile(tree.Path("dir")));
    EXPECT_TRUE(HasModificationTime(tree.Path("dir")));
}

#endif

} // namespace
} // namespace pf::platform

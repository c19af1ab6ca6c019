#include "platform.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace pf::platform {
namespace {

struct NormalizeCase {
    const char* input;
    const char* expected;
};

#ifndef _WIN32
TEST(NormalizeSeparators, CollapsesPairsOnceAndKeepsOneLeadingSeparator) {
    const NormalizeCase cases[] = {
        {"", ""},
        {"a/b", "a/b"},
        {"a//b", "a/b"},
        {"a///b", "a//b"},
        {"a////b", "a//b"},
        {"/", "/"},
        {"//", "/"},
        {"/////", "/"},
        {"//srv//share", "/srv/share"},
        {"/home/ann//notes.txt", "/home/ann/notes.txt"},
        {"dir/", "dir/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormalizeSeparators(c.input), c.expected) << "input: " << c.input;
    }
}
#else
TEST(NormalizeSeparators, CollapsesPairsOnceAndKeepsTheNetworkPrefix) {
    const NormalizeCase cases[] = {
        {"", ""},
        {"a\\b", "a\\b"},
        {"C:\\in\\\\a.txt", "C:\\in\\a.txt"},
        {"a\\\\\\b", "a\\\\b"},
        {"a\\\\\\\\b", "a\\\\b"},
        {"\\", "\\\\"},
        {"\\\\", "\\\\"},
        {"\\\\\\\\\\", "\\\\"},
        {"\\\\srv\\\\share", "\\\\srv\\share"},
        {"\\\\\\srv\\share", "\\\\srv\\share"},
        {"\\temp.txt", "\\\\temp.txt"},
        {"C:\\out\\\\a.pdf", "C:\\out\\a.pdf"},
        {"a/b//c", "a/b//c"},
        {"dir\\", "dir\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormalizeSeparators(c.input), c.expected) << "input: " << c.input;
    }
}

TEST(IsRootPath, KnowsDriveRootsShareRootsAndTheCurrentDrivesRoot) {
    const std::pair<const char*, bool> cases[] = {
        {"C:\\", true},
        {"c:\\", true},
        {"C:/", true},
        {"D:\\\\", true},
        {"\\", true},
        {"\\\\srv\\share", true},
        {"\\\\srv\\share\\", true},
        {"", false},
        {"C:", false},
        {"C:\\in", false},
        {"\\\\srv", false},
        {"\\\\srv\\share\\x", false},
        {"1:\\", false},
        {"relative", false},
    };
    for (const auto& [path, isRoot] : cases) {
        EXPECT_EQ(IsRootPath(path), isRoot) << path;
    }
}
#endif

TEST(SingleByteCode, FollowsWindows1252AndMapsTheUnmappableToQuestionMark) {
    EXPECT_EQ(SingleByteCode(U'A'), 65);
    EXPECT_EQ(SingleByteCode(U'\u20AC'), 0x80); // euro sign
    EXPECT_EQ(SingleByteCode(U'\u2013'), 0x96); // en dash
    EXPECT_EQ(SingleByteCode(U'\u201C'), 0x93); // curly quote
    EXPECT_EQ(SingleByteCode(U'\u0081'), 0x81); // unassigned code keeps its C1 control
    EXPECT_EQ(SingleByteCode(U'\u00E9'), 0xE9);
    EXPECT_EQ(SingleByteCode(U'\u03B1'), 63); // Greek alpha has no code
    EXPECT_EQ(SingleByteCode(U'\u4E2D'), 63);
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(SingleByteCode(CharFromSingleByte(code)), code);
    }
}

TEST(Utf8, RoundTripsAndReplacesInvalidBytes) {
    const std::string text = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80";
    EXPECT_EQ(EncodeUtf8(DecodeUtf8(text)), text);
    EXPECT_EQ(DecodeUtf8("\xFFx"), U"\uFFFDx");
    EXPECT_EQ(DecodeUtf8("\xC0\x80"), U"\uFFFD\uFFFD");           // overlong NUL
    EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), U"\uFFFD\uFFFD\uFFFD"); // surrogate
}

TEST(ParseLocaleNumber, AcceptsSignsDecimalsAndExponentsOnly) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"7", 7.0},
        {" 2 ", 2.0},
        {"-4", -4.0},
        {"+1.5", 1.5},
        {"1e1", 10.0},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"0x10", std::nullopt},
        {"1 2", std::nullopt},
        {"-", std::nullopt},
        {"1e999", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseLocaleNumber(c.text), c.value) << "text: " << c.text;
    }
}

TEST(PathParts, CutAPathAtItsLastSeparator) {
    struct {
        std::string path;
        std::string name;
        std::string folder;
        std::string parent;
    } cases[] = {
        {"/a/b.txt", "b.txt", "/a/", "/a"}, {"b.txt", "b.txt", "", ""}, {"/b.txt", "b.txt", "/", "/"},
        {"/a/", "", "/a/", "/a"},           {"", "", "", ""},
    };
    const auto native = [](std::string path) {
        std::replace(path.begin(), path.end(), '/', PathSeparator());
        return path;
    };
    for (const auto& c : cases) {
        const std::string path = native(c.path);
        EXPECT_EQ(FileNamePart(path), native(c.name)) << path;
        EXPECT_EQ(FolderPart(path), native(c.folder)) << path;
        EXPECT_EQ(ParentFolder(path), native(c.parent)) << path;
    }
}

} // namespace
} // namespace pf::platform

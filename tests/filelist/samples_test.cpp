#include "samples.h"

#include "apptitle.h"
#include "memoryform.h"
#include "platform.h"
#include "reports.h"
#include "runtimeerror.h"
#include "settings.h"
#include "temphome.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pf {
namespace {

using test::MemoryForm;
using test::TempHome;

constexpr const char* kQuestion =
    "Would you like this software to open the folder where these sample files are "
    "stored (so that you can view them before working with them)?";

// A program folder with a Samples folder, in a temporary home with an empty settings store.
class SampleFilesTest : public ::testing::Test {
protected:
    SampleFilesTest()
        : program(home.MakeFolder("Program Files/plumavert")),
          samples(program + test::NativeSeparators("/Samples/")) {
        platform::OverrideProgramFolder(program);
    }
    ~SampleFilesTest() override { platform::OverrideProgramFolder(""); }

    std::string Sample(const std::string& name) {
        home.WriteFile("Program Files/plumavert/Samples/" + name, "sample");
        return samples + name;
    }
    std::string StoredPlainList() { return DecipherText(ReadSetting(key::kSnapshot, "-"), kSampleListKey); }

    TempHome home;
    const std::string program;
    const std::string samples;
    MemoryForm form;
};

TEST_F(SampleFilesTest, TheFirstStartRecordsTheSamplesAndTheButtonAddsThemInOrder) {
    const std::string a = Sample("a.txt");
    const std::string b = Sample("b.txt");
    const std::string c = Sample("c.txt");
    SaveSampleFileList();
    const std::string stored = ReadSetting(key::kSnapshot, "");
    EXPECT_EQ(DecipherText(stored, kSampleListKey), a + "|" + b + "|" + c);
    EXPECT_EQ(stored.find("Samples"), std::string::npos) << "the list is stored enciphered";

    PushButton5_Click(form);
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{a, b, c}));
    ASSERT_EQ(form.ui.messages.size(), 1U);
    const auto& question = form.ui.messages.front();
    EXPECT_EQ(question.text, kQuestion);
    EXPECT_EQ(question.title, ApplicationTitle());
    EXPECT_EQ(question.buttons, MessageButtons::YesNo);
    EXPECT_EQ(question.icon, MessageIcon::None);
    EXPECT_TRUE(form.ui.openedFolders.empty());
}

TEST_F(SampleFilesTest, ASecondClickAddsNothingButAsksAgain) {
    Sample("a.txt");
    Sample("b.txt");
    SaveSampleFileList();
    PushButton5_Click(form);
    PushButton5_Click(form);
    EXPECT_EQ(form.RowCount(), 2);
    EXPECT_EQ(form.ui.MessageTexts(), (std::vector<std::string>{kQuestion, kQuestion}));
}

TEST_F(SampleFilesTest, AListedPathDifferingInLetterCaseDoesNotCount) {
    const std::string a = Sample("a.txt");
    SaveSampleFileList();
    form.SetRows({samples + "A.txt"});
    PushButton5_Click(form);
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{samples + "A.txt", a}));
}

TEST_F(SampleFilesTest, LoadsOnlyRecordedSamplesThatStillExist) {
    const std::string a = Sample("a.txt");
    const std::string b = Sample("b.txt");
    SaveSampleFileList();
    std::filesystem::remove(a);
    Sample("later.txt");
    PushButton5_Click(form);
    EXPECT_EQ(form.Rows(), std::vector<std::string>{b});
}

TEST_F(SampleFilesTest, AnEmptySampleFolderStoresTheEmptyTextAndIsRecordedAgainLater) {
    SaveSampleFileList();
    EXPECT_EQ(ReadSetting(key::kSnapshot, "absent"), "");
    PushButton5_Click(form);
    EXPECT_TRUE(form.Rows().empty());
    EXPECT_EQ(form.ui.MessageTexts(), std::vector<std::string>{kQuestion});

    const std::string a = Sample("a.txt");
    SaveSampleFileList();
    EXPECT_EQ(StoredPlainList(), a);
}

TEST_F(SampleFilesTest, AMissingSampleFolderStoresTheEmptyText) {
    std::filesystem::remove_all(samples);
    SaveSampleFileList();
    EXPECT_EQ(ReadSetting(key::kSnapshot, "absent"), "");
}

TEST_F(SampleFilesTest, AnsweringYesOpensTheSampleFolder) {
    Sample("a.txt");
    SaveSampleFileList();
    form.ui.messageAnswers = {MessageAnswer::No, MessageAnswer::Yes};
    PushButton5_Click(form);
    EXPECT_TRUE(form.ui.openedFolders.empty());
    PushButton5_Click(form);
    EXPECT_EQ(form.ui.openedFolders, std::vector<std::string>{samples});
}

// A window whose list refuses new rows.
class FullForm : public MemoryForm {
public:
    void AppendRow(const std::string& /*text*/) override { throw RuntimeError(err::kDiskFull); }
};

TEST_F(SampleFilesTest, AFailureIsReportedAtLine100AndTheQuestionIsNotAsked) {
    Sample("a.txt");
    SaveSampleFileList();
    FullForm full;
    PushButton5_Click(full);
    EXPECT_EQ(full.ui.MessageTexts(),
              std::vector<std::string>{ErrorReportText("Velltrane2021/08/31.Form1.PushButton5_Click",
                                                       {err::kDiskFull, "Disk full", 100})});
}

TEST_F(SampleFilesTest, NamesOutsideTheCodePageOrWithTheListSeparatorAreLeftOut) {
    const std::string latin =
        Sample("caf\xC3\xA9 \xE2\x80\x93 menu.txt"); // é and en dash: Windows-1252 has both
    Sample("\xCE\xA9mega.txt");                      // Greek capital omega: it has not
#ifndef _WIN32
    Sample("a|b.txt"); // a Windows name cannot hold the list separator
#endif
    SaveSampleFileList();
    EXPECT_EQ(StoredPlainList(), latin);
    PushButton5_Click(form);
    EXPECT_EQ(form.Rows(), std::vector<std::string>{latin});
}

TEST_F(SampleFilesTest, ARecordLongerThan32767CharactersIsStoredAndLoaded) {
    std::vector<std::string> paths;
    paths.reserve(400);
    for (int i = 0; i < 400; ++i) {
        paths.push_back(Sample("sample number " + std::to_string(1000 + i) + " with a long name.txt"));
    }
    SaveSampleFileList();
    EXPECT_GT(StoredPlainList().size(), 32767U);
    PushButton5_Click(form);
    EXPECT_EQ(form.Rows(), paths);
}

// ---------------------------------------------------------------- the cipher

// The UTF-8 text of the characters with the given Windows-1252 codes.
std::string FromCodes(const std::vector<int>& codes) {
    std::u32string chars;
    for (const int code : codes) {
        chars += platform::CharFromSingleByte(code);
    }
    return platform::EncodeUtf8(chars);
}

TEST(SampleListCipher, EveryCodeFrom1To255ComesBackAndTheLengthIsKept) {
    std::vector<int> codes;
    for (int code = 1; code <= 255; ++code) {
        codes.push_back(code);
    }
    const std::string plain = FromCodes(codes);
    const std::string enciphered = EncipherText(plain, kSampleListKey);
    EXPECT_NE(enciphered, plain);
    EXPECT_EQ(platform::DecodeUtf8(enciphered).size(), 255U);
    EXPECT_EQ(DecipherText(enciphered, kSampleListKey), plain);
}

TEST(SampleListCipher, SumsOf255And256WrapTo255And1) {
    // "a" has code 97: 158 + 97 = 255 stays, 159 + 97 = 256 wraps to 1.
    EXPECT_EQ(EncipherText(FromCodes({158, 159}), "aa"), FromCodes({255, 1}));
    EXPECT_EQ(DecipherText(FromCodes({255, 1}), "aa"), FromCodes({158, 159}));
}

TEST(SampleListCipher, WorksOnWindows1252Codes) {
    // The euro sign has code 128 there: 128 + 97 = 225, "á".
    EXPECT_EQ(EncipherText("\xE2\x82\xAC", "a"), "\xC3\xA1");
    EXPECT_EQ(DecipherText("\xC3\xA1", "a"), "\xE2\x82\xAC");
}

TEST(SampleListCipher, TheKeyStartsOverAfterItsLastCharacter) {
    // "A" (65) plus "a" (97) to "h" (104), then "a" and "b" again.
    EXPECT_EQ(EncipherText("AAAAAAAAAA", "abcdefgh"),
              FromCodes({162, 163, 164, 165, 166, 167, 168, 169, 162, 163}));
}

TEST(SampleListCipher, TheEmptyTextStaysEmpty) {
    EXPECT_EQ(EncipherText("", kSampleListKey), "");
    EXPECT_EQ(DecipherText("", kSampleListKey), "");
}

TEST(SampleListCipher, AnEmptyKeyIsRefused) {
    EXPECT_THROW(EncipherText("a", ""), RuntimeError);
    EXPECT_THROW(DecipherText("a", ""), RuntimeError);
}

TEST(SampleListCipher, TextsOfAnyLengthComeBack) {
    std::string plain;
    while (plain.size() < 100000) {
        plain += "/opt/plumavert/Samples/caf\xC3\xA9.txt|";
    }
    const std::string enciphered = EncipherText(plain, kSampleListKey);
    EXPECT_EQ(platform::DecodeUtf8(enciphered).size(), platform::DecodeUtf8(plain).size());
    EXPECT_EQ(DecipherText(enciphered, kSampleListKey), plain);
}

} // namespace
} // namespace pf

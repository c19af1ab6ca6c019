#include "adders.h"

#include "apptitle.h"
#include "memoryform.h"
#include "platform.h"
#include "reports.h"
#include "runtimeerror.h"
#include "temphome.h"

#include <gtest/gtest.h>

namespace pf {
namespace {

using test::MemoryForm;
using test::TempHome;

// A path written with "/" in the system's separators.
std::string P(const std::string& path) {
    return test::NativeSeparators(path);
}

// An absolute path written the Linux way, on this system: "/home/a.txt" is "C:\home\a.txt" on Windows,
// where a single leading separator would make the network prefix of a joined path.
std::string Abs(const std::string& path) {
    return (P("/") == "/" ? "" : "C:") + P(path);
}

constexpr const char* kTooManyFiles =
    "You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button.";

void AnswerDialog(MemoryForm& form, const std::vector<std::string>& paths) {
    form.ui.fileDialogAnswers.emplace_back([paths](const FileDialogOptions&) { return paths; });
}

// The dialog as the window runs it: the chosen paths, once their file name text fits the buffer.
void ChoosePaths(MemoryForm& form, const std::vector<std::string>& paths) {
    form.ui.fileDialogAnswers.emplace_back([paths](const FileDialogOptions& options) {
        ComposeFileDialogResult(paths, options.maxFileNameLength);
        return paths;
    });
}

TEST(AddTextFiles, OpensTheMultiSelectDialogWithItsTitleAndFilters) {
    MemoryForm form;
    PushButton1_Click(form);
    ASSERT_EQ(form.ui.fileDialogs.size(), 1U);
    const FileDialogOptions& options = form.ui.fileDialogs.front();
    EXPECT_EQ(options.title, "Add File(s) - Use Ctrl & Shift to select multiple files");
    EXPECT_EQ(options.filter, "All Files (*.*)|*.*|Text Files (*.txt)|*.txt");
    EXPECT_EQ(options.flags, 0x280201U);
    EXPECT_EQ(options.maxFileNameLength, 30000U);
}

TEST(AddTextFiles, CancellingAddsNothingAndShowsNothing) {
    MemoryForm form;
    form.SetRows({P("/kept.txt")});
    AnswerDialog(form, {});
    PushButton1_Click(form);
    EXPECT_EQ(form.Rows(), std::vector<std::string>{P("/kept.txt")});
    EXPECT_TRUE(form.ui.messages.empty());
}

TEST(AddTextFiles, OneChosenFileIsAddedExactlyAsTheDialogReturnedIt) {
    MemoryForm form;
    form.SetRows({P("/home/ann//notes.txt")});
    AnswerDialog(form, {P("/home/ann//notes.txt")});
    PushButton1_Click(form);
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{P("/home/ann//notes.txt"), P("/home/ann//notes.txt")}));
}

TEST(AddTextFiles, SeveralChosenFilesAreJoinedToTheirFolderInDialogOrder) {
    MemoryForm form;
    ChoosePaths(form, {Abs("/home/ann/b.txt"), Abs("/home/ann/a.log")});
    PushButton1_Click(form);
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{Abs("/home/ann/b.txt"), Abs("/home/ann/a.log")}));
}

TEST(AddTextFiles, SeveralFilesInTheRootFolderGetASingleSeparator) {
    MemoryForm form;
    // As a dialog hands them over that joins its root folder and each name with a separator.
    AnswerDialog(form, {Abs("//a.txt"), Abs("//b.txt")});
    PushButton1_Click(form);
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{Abs("/a.txt"), Abs("/b.txt")}));
}

TEST(AddTextFiles, TooManyFilesShowsItsOwnMessageAndAddsNothing) {
    MemoryForm form;
    ChoosePaths(form, {P("/data/") + std::string(15000, 'a'), P("/data/") + std::string(15000, 'b')});
    PushButton1_Click(form);
    EXPECT_TRUE(form.Rows().empty());
    ASSERT_EQ(form.ui.messages.size(), 1U);
    const auto& message = form.ui.messages.front();
    EXPECT_EQ(message.text, kTooManyFiles);
    EXPECT_EQ(message.title, ApplicationTitle());
    EXPECT_EQ(message.buttons, MessageButtons::Ok);
    EXPECT_EQ(message.icon, MessageIcon::None);
}

TEST(AddTextFiles, AnyOtherDialogFailureIsReportedAtLine108AndAddsNothing) {
    MemoryForm form;
    form.ui.fileDialogAnswers.emplace_back(
        [](const FileDialogOptions&) -> std::vector<std::string> { throw RuntimeError(7); });
    PushButton1_Click(form);
    EXPECT_TRUE(form.Rows().empty());
    ASSERT_EQ(form.ui.messages.size(), 1U);
    EXPECT_EQ(form.ui.messages.front().text,
              ErrorReportText("Velltrane2021/08/31.Form1.PushButton1_Click", {7, "Out of memory", 108}));
}

struct ComposeCase {
    const char* name;
    std::vector<std::string> paths;
    std::string expected;
};

TEST(ComposeFileDialogResult, GivesOnePathOrTheSharedFolderAndNulSeparatedNames) {
    using namespace std::string_literals;
    const std::vector<ComposeCase> cases = {
        {"none", {}, ""},
        {"one", {P("/home/ann/a.txt")}, P("/home/ann/a.txt")},
        {"two in a folder", {P("/home/ann/a.txt"), P("/home/ann/b.txt")}, P("/home/ann\0a.txt\0b.txt"s)},
        {"two in the root", {P("/a.txt"), P("/b.txt")}, P("/\0a.txt\0b.txt"s)},
        {"different folders", {P("/d/x/a.txt"), P("/d/y/b.txt")}, P("/d\0x/a.txt\0y/b.txt"s)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComposeFileDialogResult(c.paths, 30000), c.expected) << c.name;
    }
}

// "/d", then NUL and a name, twice: 2 + 2 * (1 + n) characters.
std::vector<std::string> TwoFilesComposingTo(std::size_t length) {
    const std::size_t total = (length - 2) / 2 - 1;
    return {P("/d/") + std::string(total, 'a'), P("/d/") + std::string(length - 2 - 2 - total, 'b')};
}

TEST(ComposeFileDialogResult, CountsCharactersWithSeparatorsAndFitsExactlyTheLimit) {
    EXPECT_EQ(ComposeFileDialogResult({std::string(30000, 'x')}, 30000).size(), 30000U);
    EXPECT_EQ(ComposeFileDialogResult(TwoFilesComposingTo(30000), 30000).size(), 30000U);
    for (const auto& tooLong :
         {std::vector<std::string>{std::string(30001, 'x')}, TwoFilesComposingTo(30001)}) {
        try {
            ComposeFileDialogResult(tooLong, 30000);
            ADD_FAILURE() << "30001 characters fitted";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Number(), err::kBufferTooSmall);
        }
    }
}

TEST(ComposeFileDialogResult, CountsCharactersNotBytes) {
    std::string accented;
    for (int i = 0; i < 15000; ++i) {
        accented += "\xC3\xA9"; // é
    }
    EXPECT_NO_THROW(ComposeFileDialogResult({P("/") + accented, P("/") + accented}, 30003));
    EXPECT_THROW(ComposeFileDialogResult({P("/") + accented, P("/") + accented}, 30002), RuntimeError);
}

// ---------------------------------------------------------------- drag and drop

class DropTest : public ::testing::Test {
protected:
    std::string File(const std::string& relative) { return home.WriteFile(relative, "text"); }

    TempHome home;
    MemoryForm form;
};

TEST_F(DropTest, DataWithoutAFileListIsRefused) {
    EXPECT_FALSE(ListView1_OLEDragOver(false));
    EXPECT_TRUE(ListView1_OLEDragOver(true));
    ListView1_OLEDragDrop(form, {});
    EXPECT_TRUE(form.Rows().empty());
}

TEST_F(DropTest, DroppedFilesAreListedAsTheyAreWhateverTheirNames) {
    const std::vector<std::string> files = {File("in/~lock.txt"), File("in/.hidden"), File("in/report.PDF")};
    ListView1_OLEDragDrop(form, files);
    EXPECT_EQ(form.Rows(), files);
}

TEST_F(DropTest, AFolderContributesEveryFileOfItsTreeExceptTildeAndHiddenArchiveFiles) {
    const std::string a = File("tree/a.txt");
    const std::string b = File("tree/b.doc");
    File("tree/~a.txt");
    File("tree/.secret");
    const std::string c = File("tree/sub/c");
    ListView1_OLEDragDrop(form, {home.Root() + P("/tree")});
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{a, b, c}));
    EXPECT_EQ(form.Pointer(), MousePointer::Default);
    EXPECT_TRUE(form.pointerHistory.empty());
}

TEST_F(DropTest, AMixIsListedInDeliveryOrder) {
    const std::string first = File("first.txt");
    const std::string inside = File("tree/inside.txt");
    const std::string last = File("~last.txt");
    ListView1_OLEDragDrop(form, {first, home.Root() + P("/tree"), last});
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{first, inside, last}));
}

TEST_F(DropTest, TwoDroppedFoldersListEachFileOnce) {
    const std::string one = File("one/x.txt");
    const std::string two = File("two/y.txt");
    ListView1_OLEDragDrop(form, {home.Root() + P("/one"), home.Root() + P("/two")});
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{one, two}));
}

TEST_F(DropTest, AnItemGoneBeforeItIsExaminedIsSkippedAndTheDropGoesOn) {
    const std::string before = File("before.txt");
    const std::string after = File("after.txt");
    ListView1_OLEDragDrop(form, {before, home.Root() + P("/vanished.txt"), after});
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{before, after}));
}

} // namespace
} // namespace pf

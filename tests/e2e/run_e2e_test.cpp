// A whole batch run through the real window (offscreen), the real text printer and the real PDF printer.

#include "form1.h"
#include "platform.h"
#include "printers.h"
#include "scriptedui.h"
#include "shellcommand.h"
#include "temphome.h"

#include "filelistview.h"

#include <QApplication>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

namespace pf {
namespace {

// A temporary home whose default printer is an ordinary one, with the PDF printer installed.
class BatchRunEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(bin.empty());
        platform::OverrideProgramFolder(bin);
        platform::AddPrinter({"Office Laser", "lp0:"});
        ASSERT_TRUE(platform::MakeDefaultPrinter("Office Laser"));
        ASSERT_EQ(std::system(("\"" + bin + "/tarnwicke-pdf-writer\" --install").c_str()), 0);
    }
    void TearDown() override { platform::OverrideProgramFolder(""); }

    // The words of a PDF the run wrote, which must also be sound by qpdf's check.
    static std::vector<std::string> PdfWords(const std::string& pdf) {
        EXPECT_EQ(test::RunShell("qpdf --check " + test::Quote(pdf)).exitCode, 0) << pdf;
        return test::Words(test::PdfText(pdf));
    }

    test::TempHome home;
    const std::string bin = test::BinFolder();
};

TEST_F(BatchRunEndToEnd, ThreeFilesBecomeThreePdfsAndTheDefaultPrinterComesBack) {
    const std::string letter = "Dear Zoë,\nthe café opens at nine.\n";
    const std::string notes = "Na\xEFve r\xE9sum\xE9 notes\n"; // Windows-1252
    const std::string utf16 =
        std::string("\xFF\xFE", 2) + std::string("G\0r\0e\0e\0k\0 \0\xB1\x03\xB2\x03\n\0", 18);
    const std::vector<std::string> inputs = {home.WriteFile("in/letter.txt", letter),
                                             home.WriteFile("in/notes", notes),
                                             home.WriteFile("in/sub/a.b.c.txt", utf16)};
    const std::string out = home.MakeFolder("out folder");

    test::ScriptedUi ui;
    Form1 form(&ui);
    form.SetText1(out);
    form.SetText2("0");
    for (const auto& input : inputs) {
        form.AppendRow(input);
    }
    form.findChild<QPushButton*>("PushButton2")->click();

    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Done."});
    EXPECT_EQ(platform::DefaultPrinterName(), "Office Laser");
    const std::pair<const char*, std::string> expected[] = {
        {"letter.pdf", letter}, {"notes.pdf", "Naïve résumé notes"}, {"a.b.c.pdf", "Greek αβ"}};
    for (const auto& [name, text] : expected) {
        const std::string pdf = out + "/" + name;
        ASSERT_TRUE(std::filesystem::exists(pdf)) << pdf;
        EXPECT_EQ(PdfWords(pdf), test::Words(text)) << name;
    }
}

// Linux allows any bytes but "/" and NUL in a name. Such a file name reaches the list unchanged by the
// folder walk and by a drop (whose address spells the byte as a percent escape), and its file is
// converted; a folder with such a name is left out, as the walk leaves out every name it cannot map.
TEST_F(BatchRunEndToEnd, NamesThatAreNotUtf8AreListedByTheWalkAndByADropAndConverted) {
    const std::string walked = home.WriteFile("walk/bad\xFF.txt", "walked\n");
    home.WriteFile("walk/folder\xFF/skipped.txt", "a folder name the walk refuses\n");
    const std::string dropped = home.WriteFile("drop/odd\xFE.txt", "dropped\n");
    const std::string out = home.MakeFolder("out");
    test::ScriptedUi ui;
    ui.textAnswers.push_back("txt");
    ui.folderAnswers.push_back(home.Root() + "/walk");
    Form1 form(&ui);
    form.SetText1(out);
    form.SetText2("0");
    form.findChild<QPushButton*>("PushButton4")->click();
    QMimeData drop;
    drop.setData("text/uri-list",
                 "file://" + QByteArray::fromStdString(home.Root()) + "/drop/odd%FE.txt\r\n");
    ASSERT_EQ(FileListView::DroppedPaths(&drop), std::vector<std::string>{dropped});
    emit form.findChild<FileListView*>("ListView1")->FilesDropped(FileListView::DroppedPaths(&drop));
    ASSERT_EQ(form.RowCount(), 2);
    EXPECT_EQ(form.RowText(1), walked);
    EXPECT_EQ(form.RowText(2), dropped);

    form.findChild<QPushButton*>("PushButton2")->click();
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Done."});
    EXPECT_EQ(PdfWords(out + "/bad\xFF.pdf"), test::Words("walked"));
    EXPECT_EQ(PdfWords(out + "/odd\xFE.pdf"), test::Words("dropped"));
}

// A pause far longer than an int of milliseconds holds; closing the window ends it, the run puts the
// user's printers back, and the program's event loop ends although the window was only hidden.
TEST_F(BatchRunEndToEnd, ClosingTheWindowDuringAnEndlessPauseRestoresThePrintersAndEndsTheProgram) {
    platform::WriteStoredValue(platform::Store::PdfWriter, kOutputFileValue, "/elsewhere/report.pdf");

    test::ScriptedUi ui;
    Form1 form(&ui);
    form.SetText1(home.MakeFolder("out"));
    form.SetText2("99999999999999999999");
    form.AppendRow(home.WriteFile("in/a.txt", "alpha"));
    form.show();
    QTimer::singleShot(0, &form, [&] { form.findChild<QPushButton*>("PushButton2")->click(); });
    QTimer::singleShot(300, &form, [&] { form.close(); });
    QApplication::exec(); // returns only when the program would end

    EXPECT_TRUE(ui.MessageTexts().empty());
    EXPECT_EQ(platform::DefaultPrinterName(), "Office Laser");
    EXPECT_EQ(platform::ReadStoredValue(platform::Store::PdfWriter, kOutputFileValue),
              "/elsewhere/report.pdf");
    EXPECT_EQ(platform::ReadStoredValue(platform::Store::PdfWriter, kBypassSaveAsValue), std::nullopt);
}

} // namespace
} // namespace pf

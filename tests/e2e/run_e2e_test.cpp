// A whole batch run through the real window (offscreen), the real text printer and the real PDF printer.

#include "form1.h"
#include "platform.h"
#include "printers.h"
#include "scriptedui.h"
#include "shellcommand.h"
#include "temphome.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

namespace pf {
namespace {

TEST(BatchRunEndToEnd, ThreeFilesBecomeThreePdfsAndTheDefaultPrinterComesBack) {
    test::TempHome home;
    const std::string bin = test::BinFolder();
    ASSERT_FALSE(bin.empty());
    platform::OverrideProgramFolder(bin);
    platform::AddPrinter({"Office Laser", "lp0:"});
    ASSERT_TRUE(platform::MakeDefaultPrinter("Office Laser"));
    ASSERT_EQ(std::system(("\"" + bin + "/tarnwicke-pdf-writer\" --install").c_str()), 0);

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
        EXPECT_EQ(test::Words(test::PdfText(pdf)), test::Words(text)) << name;
    }
    platform::OverrideProgramFolder("");
}

// A pause far longer than an int of milliseconds holds; closing the window ends it, the run puts the
// user's printers back, and the program's event loop ends although the window was only hidden.
TEST(BatchRunEndToEnd, ClosingTheWindowDuringAnEndlessPauseRestoresThePrintersAndEndsTheProgram) {
    test::TempHome home;
    const std::string bin = test::BinFolder();
    ASSERT_FALSE(bin.empty());
    platform::OverrideProgramFolder(bin);
    platform::AddPrinter({"Office Laser", "lp0:"});
    ASSERT_EQ(std::system(("\"" + bin + "/tarnwicke-pdf-writer\" --install").c_str()), 0);
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
    platform::OverrideProgramFolder("");
}

} // namespace
} // namespace pf

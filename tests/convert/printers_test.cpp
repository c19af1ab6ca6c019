#include "apptitle.h"
#include "platform.h"
#include "printers.h"
#include "scriptedui.h"
#include "temphome.h"

#include <gtest/gtest.h>

namespace pf {
namespace {

TEST(GetDefaultPrinter, WithNoPrinterShowsThePrinterReportAndReturnsEmpty) {
    test::TempHome home;
    test::ScriptedUi ui;
    EXPECT_EQ(GetDefaultPrinter(ui), "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "Error No: 484\r\n"
              "Problem getting printer information from the system. Make sure the printer is "
              "set up correctly.\r\n"
              "Has occured in modPrinters.GetDefaultPrinter\r\n"
              "Please contact Technical Support");
    EXPECT_EQ(ui.messages[0].title, ApplicationTitle());
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::None);
}

TEST(GetDefaultPrinter, ReturnsTheDefaultPrintersNameSilently) {
    test::TempHome home;
    test::ScriptedUi ui;
    platform::AddPrinter({"Office Laser", "lp0:"});
    platform::AddPrinter({kPdfPrinterName, kPdfPrinterPort});
    EXPECT_EQ(GetDefaultPrinter(ui), "Office Laser");
    EXPECT_TRUE(ui.messages.empty());
}

TEST(SetDefaultPrinter, RefusesSilentlyWhatIsNotTheExactNameOfAPrinter) {
    test::TempHome home;
    platform::AddPrinter({"Office Laser", "lp0:"});
    platform::AddPrinter({kPdfPrinterName, kPdfPrinterPort});
    std::vector<std::string> refused = {"", "Tarnwicke PDF Writer2", "Nowhere"};
#ifndef _WIN32
    refused.push_back("tarnwicke pdf writer"); // Windows printer names ignore letter case
#endif
    for (const std::string& name : refused) {
        EXPECT_FALSE(SetDefaultPrinter(name)) << name;
    }
    EXPECT_EQ(platform::DefaultPrinterName(), "Office Laser");
    EXPECT_TRUE(SetDefaultPrinter(kPdfPrinterName));
    EXPECT_EQ(platform::DefaultPrinterName(), kPdfPrinterName);
    EXPECT_TRUE(SetDefaultPrinter("Office Laser")); // and back, as a run ends
    EXPECT_EQ(platform::DefaultPrinterName(), "Office Laser");
}

TEST(SetDefaultPrinter, FailsWhenNoPrinterIsInstalled) {
    test::TempHome home;
    EXPECT_FALSE(SetDefaultPrinter(kPdfPrinterName));
}

#ifndef _WIN32
const std::string kInstallMessage =
    "Tarnwicke PDF Writer is not installed. Please follow these instructions:\r\n"
    "\r\n"
    "1) Open a terminal in the folder that holds this program: /opt/plumavert\r\n"
    "2) Run ./tarnwicke-pdf-writer --install to add Tarnwicke PDF Writer on the port CPW2: for you.\r\n"
    "3) From a source checkout, make run builds the program and installs the printer the same way.\r\n"
    "4) Start this program again; Tarnwicke PDF Writer is then found and used as the printer.";
#else
const std::string kInstallMessage =
    "Tarnwicke PDF Writer is not installed. Please follow these instructions:\r\n"
    "\r\n"
    "1) Run the Plumavert Fennic setup program again, as administrator (right-click it -> Run as "
    "administrator).\r\n"
    "2) Let it finish: it repairs Tarnwicke PDF Writer on the port CPW2: and keeps the program and your "
    "settings.\r\n"
    "3) If it says the driver ''Microsoft Print To PDF'' is missing, turn on Microsoft Print to PDF in "
    "Windows Features, then run the setup program once more.\r\n"
    "4) Start this program again; Tarnwicke PDF Writer is then found and used as the printer.";
#endif

TEST(CheckPdfWriterInstalled, ShowsTheInstructionsOnceUnlessTheExactNameIsInstalled) {
    const struct {
        std::vector<std::string> printers;
        bool installed;
    } cases[] = {
        {{}, false},
        {{"tarnwicke pdf writer"}, false},
        {{"Tarnwicke PDF Writer (copy 1)", "My Tarnwicke PDF Writer", " Tarnwicke PDF Writer"}, false},
        {{"Office Laser", "Tarnwicke PDF Writer", "Archive"}, true},
        {{"Tarnwicke PDF Writer"}, true},
    };
    platform::OverrideProgramFolder("/opt/plumavert");
    for (const auto& c : cases) {
        test::TempHome home;
        test::ScriptedUi ui;
        for (const auto& name : c.printers) {
            platform::AddPrinter({name, "lp0:"});
        }
        CheckPdfWriterInstalled(ui);
        if (c.installed) {
            EXPECT_TRUE(ui.messages.empty());
            continue;
        }
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, kInstallMessage);
        EXPECT_EQ(ui.messages[0].title, ApplicationTitle());
        EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(ui.messages[0].icon, MessageIcon::None);
    }
    platform::OverrideProgramFolder("");
}

} // namespace
} // namespace pf

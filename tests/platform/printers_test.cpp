#include "platform.h"
#include "temphome.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace pf::platform {
namespace {

std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& printer : InstalledPrinters()) {
        names.push_back(printer.name);
    }
    return names;
}

TEST(PrinterTable, WithoutPrintersThereIsNoDefaultToRead) {
    test::TempHome home;
    EXPECT_TRUE(InstalledPrinters().empty());
    try {
        DefaultPrinterName();
        FAIL() << "a default printer was read from an empty table";
    } catch (const RuntimeError& failure) {
        EXPECT_EQ(failure.Number(), 484);
        EXPECT_STREQ(failure.what(), "Problem getting printer information from the system. Make sure the "
                                     "printer is set up correctly.");
    }
}

TEST(PrinterTable, FirstPrinterBecomesTheDefaultAndOthersKeepTheirOrder) {
    test::TempHome home;
    AddPrinter({"Office Laser", "lp0:"});
    AddPrinter({"Tarnwicke PDF Writer", "CPW2:"});
    AddPrinter({"Archive", "lp1:"});
    EXPECT_EQ(DefaultPrinterName(), "Office Laser");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Office Laser", "Tarnwicke PDF Writer", "Archive"}));

    AddPrinter({"Tarnwicke PDF Writer", "CPW3:"}); // adding again changes the port in place
    EXPECT_EQ(Names(), (std::vector<std::string>{"Office Laser", "Tarnwicke PDF Writer", "Archive"}));
    EXPECT_EQ(InstalledPrinters()[1].port, "CPW3:");
    EXPECT_TRUE(std::filesystem::exists(home.ConfigHome() + "/Tarnwicke/printers.conf"));
}

TEST(PrinterTable, OnlyTheExactNameOfAnInstalledPrinterCanBeMadeDefault) {
    test::TempHome home;
    AddPrinter({"Office Laser", "lp0:"});
    AddPrinter({"Tarnwicke PDF Writer", "CPW2:"});
    for (const std::string name : {"", "tarnwicke pdf writer", "Tarnwicke PDF Writer ",
                                   " Tarnwicke PDF Writer", "Tarnwicke PDF", "Unknown"}) {
        EXPECT_FALSE(MakeDefaultPrinter(name)) << '"' << name << '"';
        EXPECT_EQ(DefaultPrinterName(), "Office Laser");
    }
    EXPECT_TRUE(MakeDefaultPrinter("Tarnwicke PDF Writer"));
    EXPECT_EQ(DefaultPrinterName(), "Tarnwicke PDF Writer");
}

TEST(PrinterTable, NamesWithAnyCharactersRoundTrip) {
    test::TempHome home;
    const std::vector<std::string> names = {"a=b", "back\\slash", "[bracket]", ";semicolon",
                                            "Caf\xC3\xA9 printer"};
    for (const auto& name : names) {
        AddPrinter({name, "port=" + name});
    }
    EXPECT_EQ(Names(), names);
    EXPECT_TRUE(MakeDefaultPrinter("back\\slash"));
    EXPECT_EQ(DefaultPrinterName(), "back\\slash");
    EXPECT_EQ(InstalledPrinters()[0].port, "port=a=b");
}

TEST(PrinterTable, RemovingTheDefaultPrinterLeavesNoDefault) {
    test::TempHome home;
    AddPrinter({"Office Laser", "lp0:"});
    AddPrinter({"Archive", "lp1:"});
    RemovePrinter("Archive");
    EXPECT_EQ(DefaultPrinterName(), "Office Laser");
    RemovePrinter("Office Laser");
    RemovePrinter("Office Laser"); // removing a printer that is not there changes nothing
    EXPECT_TRUE(InstalledPrinters().empty());
    EXPECT_THROW(DefaultPrinterName(), RuntimeError);
    AddPrinter({"Archive", "lp1:"});
    EXPECT_EQ(DefaultPrinterName(), "Archive"); // with no default, the next printer added becomes it
}

TEST(PrinterTable, ATableThatCannotBeWrittenFailsLoudlyAndRefusesDefaults) {
    test::TempHome home;
    home.WriteFile("home/.config/Tarnwicke", "not a folder");
    EXPECT_THROW(AddPrinter({"Office Laser", "lp0:"}), RuntimeError);
    EXPECT_FALSE(MakeDefaultPrinter("Office Laser"));
    EXPECT_TRUE(InstalledPrinters().empty());
}

// Two system configuration folders, the first one shipping the PDF printer as the default printer.
void InstallSystemTables(const test::TempHome& home) {
    home.WriteFile("xdg/Tarnwicke/printers.conf",
                   "[Printers]\nTarnwicke PDF Writer=CPW2:\n[Default]\nName=Tarnwicke PDF Writer\n");
    home.WriteFile("xdg2/Tarnwicke/printers.conf",
                   "[Printers]\nArchive=lp1:\nTarnwicke PDF Writer=lp9:\n[Default]\nName=Archive\n");
    // A table that cannot be read (a link to itself) adds nothing.
    std::filesystem::create_symlink("printers.conf", home.MakeFolder("looped/Tarnwicke") + "/printers.conf");
    test::SetEnvironment("XDG_CONFIG_DIRS", "relative/xdg:" + home.SystemConfig() + ":" + home.Root() +
                                                "/looped:" + home.Root() + "/xdg2");
}

TEST(PrinterTable, SystemPrintersServeEveryUserAndTheUsersOwnTableComesFirst) {
    test::TempHome home;
    InstallSystemTables(home);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Tarnwicke PDF Writer", "Archive"}));
    EXPECT_EQ(InstalledPrinters()[0].port, "CPW2:"); // the first system folder wins
    EXPECT_EQ(DefaultPrinterName(), "Tarnwicke PDF Writer");

    AddPrinter({"Office Laser", "lp0:"}); // a default is set already
    AddPrinter({"Archive", "lp5:"});
    EXPECT_EQ(Names(), (std::vector<std::string>{"Office Laser", "Archive", "Tarnwicke PDF Writer"}));
    EXPECT_EQ(InstalledPrinters()[1].port, "lp5:");
    EXPECT_EQ(DefaultPrinterName(), "Tarnwicke PDF Writer");
    EXPECT_TRUE(MakeDefaultPrinter("Archive"));
    EXPECT_EQ(DefaultPrinterName(), "Archive");
    EXPECT_EQ(test::ReadFile(home.SystemConfig() + "/Tarnwicke/printers.conf"),
              "[Printers]\nTarnwicke PDF Writer=CPW2:\n[Default]\nName=Tarnwicke PDF Writer\n");
}

TEST(PrinterTable, RemovingASystemPrinterHidesItForThisUserUntilItIsAddedAgain) {
    test::TempHome home;
    InstallSystemTables(home);
    RemovePrinter("Tarnwicke PDF Writer");
    EXPECT_EQ(Names(), std::vector<std::string>{"Archive"});
    EXPECT_THROW(DefaultPrinterName(), RuntimeError); // the system's next default does not step in
    EXPECT_FALSE(MakeDefaultPrinter("Tarnwicke PDF Writer"));

    AddPrinter({"Tarnwicke PDF Writer", "CPW2:"});
    EXPECT_EQ(Names(), (std::vector<std::string>{"Tarnwicke PDF Writer", "Archive"}));
    EXPECT_EQ(DefaultPrinterName(), "Tarnwicke PDF Writer");
}

TEST(PrinterTable, InstallStepsNameTheInstallerAndThePrinter) {
    OverrideProgramFolder("/opt/plumavert");
    EXPECT_EQ(
        PdfPrinterInstallSteps("Tarnwicke PDF Writer", "CPW2:"),
        (std::vector<std::string>{
            "1) Open a terminal in the folder that holds this program: /opt/plumavert",
            "2) Run ./tarnwicke-pdf-writer --install to add Tarnwicke PDF Writer on the port CPW2: for you.",
            "3) From a source checkout, make run builds the program and installs the printer the same way.",
            "4) Start this program again; Tarnwicke PDF Writer is then found and used as the printer."}));
    OverrideProgramFolder("");
}

TEST(PrinterTable, TheJobWaitReturnsAtOnceForThePdfPrinterWritesBeforeThePrintingProgramEnds) {
    test::TempHome home;
    AddPrinter({"Tarnwicke PDF Writer", "CPW2:"});
    int waits = 0;
    AwaitPrinterJobs(
        "Tarnwicke PDF Writer", [] { return false; }, [&](int) { ++waits; }, 60000);
    EXPECT_EQ(waits, 0);
}

// ---------------------------------------------------------------- print jobs

// A printer program in a folder of its own, standing where the PDF printer would be.
std::string InstallFakePrinter(const test::TempHome& home, const std::string& script) {
    const std::string folder = home.MakeFolder("bin");
    const std::string path = home.WriteFile("bin/tarnwicke-pdf-writer", "#!/bin/sh\n" + script);
    ::chmod(path.c_str(), 0755);
    OverrideProgramFolder(folder);
    return folder;
}

struct ProgramFolderReset {
    ~ProgramFolderReset() { OverrideProgramFolder(""); }
};

TEST(PrintJob, WithoutADefaultPrinterNoJobOpens) {
    test::TempHome home;
    const OpenedJob opened = StartPrintJob("letter.txt");
    EXPECT_EQ(opened.job, nullptr);
    EXPECT_EQ(opened.reason, "there is no default printer");
}

TEST(PrintJob, APortWithoutAPrinterProgramOpensNoJob) {
    test::TempHome home;
    AddPrinter({"Office Laser", "lp0:"});
    const OpenedJob opened = StartPrintJob("letter.txt");
    EXPECT_EQ(opened.job, nullptr);
    EXPECT_EQ(opened.reason, "the default printer Office Laser is on the unknown port \"lp0:\"");
}

TEST(PrintJob, TheJobStreamsToThePortsProgramWhichHasFinishedWhenFinishReturns) {
    test::TempHome home;
    ProgramFolderReset reset;
    InstallFakePrinter(home, "printf '%s|' \"$@\" > \"$HOME/args\"\ncat > \"$HOME/job\"\n");
    AddPrinter({"Tarnwicke PDF Writer", "CPW2:"});
    OpenedJob opened = StartPrintJob("my letter.txt");
    ASSERT_NE(opened.job, nullptr) << opened.reason;
    EXPECT_TRUE(opened.job->Write("page one, "));
    EXPECT_TRUE(opened.job->Write("page two"));
    const PrintResult result = opened.job->Finish();
    EXPECT_TRUE(result.printed);
    EXPECT_EQ(test::ReadFile(home.Home() + "/job"), "page one, page two");
    EXPECT_EQ(test::ReadFile(home.Home() + "/args"), "--print|my letter.txt|");
}

TEST(PrintJob, APrinterThatFailsGivesItsLastLineAsTheReason) {
    test::TempHome home;
    ProgramFolderReset reset;
    InstallFakePrinter(home, "cat > /dev/null\necho 'warming up' >&2\necho 'out of paper' >&2\nexit 1\n");
    AddPrinter({"Tarnwicke PDF Writer", "CPW2:"});
    OpenedJob opened = StartPrintJob("letter.txt");
    ASSERT_NE(opened.job, nullptr);
    const PrintResult result = opened.job->Finish();
    EXPECT_FALSE(result.printed);
    EXPECT_EQ(result.reason, "out of paper");
}

TEST(PrintJob, APrinterThatStopsReadingMakesWriteFailWithoutKillingUs) {
    test::TempHome home;
    ProgramFolderReset reset;
    InstallFakePrinter(home, "exit 3\n");
    AddPrinter({"Tarnwicke PDF Writer", "CPW2:"});
    OpenedJob opened = StartPrintJob("letter.txt");
    ASSERT_NE(opened.job, nullptr);
    const std::string block(1 << 20, 'x');
    bool accepted = true;
    for (int i = 0; i < 256 && accepted; ++i) {
        accepted = opened.job->Write(block);
    }
    EXPECT_FALSE(accepted);
    const PrintResult result = opened.job->Finish();
    EXPECT_FALSE(result.printed);
    EXPECT_EQ(result.reason, "Tarnwicke PDF Writer stopped without finishing the job");
}

} // namespace
} // namespace pf::platform

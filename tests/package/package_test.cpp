// The install rules and the Debian package as users and Debian's tools meet them: an install into a
// temporary prefix, lintian and the desktop validators on the package, and the package installed on
// this machine, used by a new user and purged again.

#include "form1.h"
#include "pdfwriter.h"
#include "platform.h"
#include "printers.h"
#include "scriptedui.h"
#include "shellcommand.h"
#include "temphome.h"

#include <QPushButton>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

namespace fs = std::filesystem;

namespace pf {
namespace {

using test::Quote;
using test::Result;
using test::RunShell;

const std::string kDeb = PF_DEB_FILE;
const std::string kPackage = "plumavert-fennic";
const std::string kProgramFolder = "lib/plumavert-fennic";
const std::vector<std::string> kCommands = {"plumavert-fennic", "plumavert-textprint",
                                            "tarnwicke-pdf-writer"};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

TEST(InstallPrefix, EverythingGoesBelowThePrefixWithRelativeLinksToTheCommands) {
    const test::TempHome home;
    const std::string prefix = home.Root() + "/prefix";
    const Result install =
        RunShell(Quote(PF_CMAKE) + " --install " + Quote(PF_BUILD_ROOT) + " --prefix " + Quote(prefix));
    ASSERT_EQ(install.exitCode, 0) << install.output;

    for (const std::string& command : kCommands) {
        const fs::path link = fs::path(prefix) / "bin" / command;
        ASSERT_TRUE(fs::is_symlink(link)) << link;
        EXPECT_EQ(fs::read_symlink(link), fs::path("..") / kProgramFolder / command);
        EXPECT_TRUE(fs::is_regular_file(link)) << link << " leads nowhere";
    }
    for (const std::string& installed : Lines(test::ReadFile(PF_BUILD_ROOT "/install_manifest.txt"))) {
        EXPECT_EQ(installed.rfind(prefix + "/", 0), 0u) << installed;
    }
    EXPECT_NE(test::ReadFile(prefix + "/" + kProgramFolder + "/classes.conf")
                  .find('"' + prefix + "/" + kProgramFolder + "/plumavert-textprint\""),
              std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(prefix + "/etc/xdg/Tarnwicke/printers.conf"));
    EXPECT_TRUE(fs::is_regular_file(prefix + "/" + kProgramFolder + "/Samples/letter.txt")); // where it looks
    // The command on the prefix's PATH runs the installed program.
    EXPECT_EQ(RunShell(Quote(prefix + "/bin/tarnwicke-pdf-writer") + " --install").exitCode, 0);
    EXPECT_EQ(platform::DefaultPrinterName(), "Tarnwicke PDF Writer");
}

TEST(DebianPackage, LintianFindsNoErrorsOrWarnings) {
    const Result lintian = RunShell("lintian --fail-on error,warning " + Quote(kDeb));
    EXPECT_EQ(lintian.exitCode, 0) << lintian.output;
}

TEST(DebianPackage, TheDesktopEntryAndTheMetainfoItShipsValidate) {
    const test::TempHome home;
    const std::string tree = home.Root() + "/tree";
    ASSERT_EQ(RunShell("dpkg-deb -x " + Quote(kDeb) + " " + Quote(tree)).exitCode, 0);
    const Result desktop =
        RunShell("desktop-file-validate " + Quote(tree + "/usr/share/applications/" + kPackage + ".desktop"));
    EXPECT_EQ(desktop.exitCode, 0) << desktop.output;
    EXPECT_EQ(desktop.output, "");
    const Result metainfo =
        RunShell("appstreamcli validate --no-net " +
                 Quote(tree + "/usr/share/metainfo/org.tarnwicke.PlumavertFennic.metainfo.xml"));
    EXPECT_EQ(metainfo.exitCode, 0) << metainfo.output;
}

// ---------------------------------------------------------------- installed on this machine

// The paths the package holds, from its own listing ("/usr/bin/plumavert-fennic", "/etc/xdg/").
std::vector<std::string> PackagePaths() {
    std::vector<std::string> paths;
    for (const std::string& line :
         Lines(RunShell("dpkg-deb --fsys-tarfile " + Quote(kDeb) + " | tar -t").output)) {
        if (line.rfind("./", 0) == 0 && line != "./") {
            paths.push_back(line.substr(1));
        }
    }
    return paths;
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

Result AptGet(const std::string& arguments) {
    return RunShell("DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 " + arguments);
}

bool IsInstalled() {
    return RunShell("dpkg -s " + kPackage).exitCode == 0;
}

// Purges the package when a test ends early, so a failed run leaves the machine as it found it.
struct PurgeOnExit {
    bool armed = true;
    ~PurgeOnExit() {
        if (armed) {
            AptGet("purge " + kPackage);
        }
    }
};

// A new user's first start of the installed window: no message (the PDF printer is found), and one
// file converted by the installed text printer and PDF printer.
void ConvertAsNewUser(const test::TempHome& home) {
    platform::OverrideProgramFolder("/usr/" + kProgramFolder);
    test::ScriptedUi ui;
    Form1 form(&ui);
    form.Load();
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{});
    EXPECT_EQ(platform::DefaultPrinterName(), "Tarnwicke PDF Writer");

    // The shipped samples are where the program looks for them.
    form.findChild<QPushButton*>("PushButton5")->click();
    std::vector<std::string> samples;
    for (const char* name :
         {"form-feeds.txt", "letter.txt", "long-lines.txt", "multilingual.txt", "README", "wordcount.c"}) {
        samples.push_back("/usr/" + kProgramFolder + "/Samples/" + name);
    }
    std::vector<std::string> rows;
    for (long row = 1; row <= form.RowCount(); ++row) {
        rows.push_back(form.RowText(row));
    }
    EXPECT_EQ(rows, samples);
    form.ClearRows();
    ui.messages.clear();

    const std::string letter = "Dear Zoë,\nthe café opens at nine.\n";
    form.AppendRow(home.WriteFile("in/letter.txt", letter));
    form.SetText1(home.MakeFolder("out"));
    form.SetText2("0");
    form.findChild<QPushButton*>("PushButton2")->click();
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Done."});
    EXPECT_EQ(test::Words(test::PdfText(home.Root() + "/out/letter.pdf")), test::Words(letter));
    platform::OverrideProgramFolder("");
}

// The commands on the PATH: the text printer prints, and the PDF printer's installer works per user.
void UseTheCommands(const test::TempHome& home) {
    WritePdfWriterValue(kOutputFileValue, home.Root() + "/out/direct.pdf");
    WritePdfWriterValue(kBypassSaveAsValue, "1");
    const Result print = RunShell("plumavert-textprint /p " + Quote(home.Root() + "/in/letter.txt"));
    EXPECT_EQ(print.exitCode, 0) << print.output;
    EXPECT_EQ(test::Words(test::PdfText(home.Root() + "/out/direct.pdf")),
              (std::vector<std::string>{"Dear", "Zoë,", "the", "café", "opens", "at", "nine."}));

    EXPECT_EQ(RunShell("tarnwicke-pdf-writer --uninstall").exitCode, 0);
    EXPECT_TRUE(platform::InstalledPrinters().empty());
    EXPECT_EQ(RunShell("tarnwicke-pdf-writer --install").exitCode, 0);
    EXPECT_EQ(platform::DefaultPrinterName(), "Tarnwicke PDF Writer");
}

TEST(DebianPackage, InstallsForEveryUserConvertsAFileAndPurgesWithoutATrace) {
    if (::geteuid() != 0) {
        GTEST_SKIP()
            << "installing the package needs root (CI runs make test as root); run as root to test it";
    }
    if (IsInstalled()) {
        GTEST_SKIP() << kPackage << " is installed on this machine already; purge it to run this test";
    }
    const std::vector<std::string> paths = PackagePaths();
    ASSERT_FALSE(paths.empty());
    std::set<std::string> existedBefore;
    for (const std::string& path : paths) {
        if (Exists(path)) {
            existedBefore.insert(path);
        }
    }

    PurgeOnExit purgeOnExit;
    const Result install = AptGet("install --no-install-recommends " + Quote(kDeb));
    ASSERT_EQ(install.exitCode, 0) << install.output;
    {
        // A new user: nothing in the home, the system configuration folders at their default.
        const test::TempHome home;
        test::SetEnvironment("XDG_CONFIG_DIRS", std::nullopt);
        ConvertAsNewUser(home);
        UseTheCommands(home);

        const Result purge = AptGet("purge " + kPackage);
        ASSERT_EQ(purge.exitCode, 0) << purge.output;
        purgeOnExit.armed = false;
        std::vector<std::string> inHome;
        for (const auto& entry : fs::directory_iterator(home.Home())) {
            inHome.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(inHome, std::vector<std::string>{".config"});
    }
    EXPECT_FALSE(IsInstalled());
    for (const std::string& path : paths) {
        EXPECT_EQ(Exists(path), existedBefore.count(path) == 1 && path.back() == '/') << path;
    }
}

} // namespace
} // namespace pf

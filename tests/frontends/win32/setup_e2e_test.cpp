// The setup program as a user runs it, in the test prefix: a silent install, a run of the installed
// 32-bit program over its samples through the spooler and the print monitor, a silent uninstall. Wine has
// no "Microsoft Print To PDF", so the printer gets the Wine PostScript driver and each output holds
// PostScript, read back with ps2pdf and pdftotext.

#include "form1.h"
#include "platform.h"
#include "postscripttext.h"
#include "programwindow.h"
#include "temphome.h"
#include "widetext.h"

#include <shlobj.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>

namespace pf {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTextPrinterKey = "Wordpad.Document.1\\Protocol\\StdFileEditing\\Server";

std::wstring Wide(const std::string& utf8) {
    return platform::win::ToWide(utf8);
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
    return platform::win::FromWide(path);
}

PROCESS_INFORMATION Start(const std::string& commandLine) {
    std::wstring line = Wide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &process))
        << commandLine;
    return process;
}

// Waits for a started process to end (ending it after five minutes); its exit code.
DWORD WaitForEnd(const PROCESS_INFORMATION& process) {
    DWORD exitCode = ~0u;
    if (::WaitForSingleObject(process.hProcess, 300000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, exitCode);
    }
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    return exitCode;
}

// A value of the uninstall entry (a 32-bit setup writes it in the 32-bit registry view, this test's own).
std::optional<std::string> UninstallValue(const wchar_t* name) {
    wchar_t data[512] = {};
    DWORD type = 0;
    DWORD size = sizeof data;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE,
                       L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Plumavert Fennic", name,
                       RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type, data, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(data))
                             : platform::win::FromWide(data);
}

// The spooler's monitors and printers (with their ports), one line each. A port is listed by its monitor,
// and a printer on it prints only through it.
std::string SpoolerState() {
    std::string state;
    DWORD needed = 0;
    DWORD count = 0;
    ::EnumMonitorsW(nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> monitors(needed + 1);
    if (::EnumMonitorsW(nullptr, 1, monitors.data(), needed, &needed, &count)) {
        for (DWORD i = 0; i < count; ++i) {
            const wchar_t* name = reinterpret_cast<MONITOR_INFO_1W*>(monitors.data())[i].pName;
            state += "monitor " + platform::win::FromWide(name) + "\n";
        }
    }
    for (const auto& printer : platform::InstalledPrinters()) {
        state += "printer " + printer.name + " on " + printer.port + "\n";
    }
    return state;
}

std::vector<std::string> FirstWords(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; words.size() < 3 && in >> word;) {
        words.push_back(word);
    }
    return words;
}

// The installed program over its own samples, driven as a user would, with the installed text printer in
// WordPad's place (Wine's WordPad cannot print).
void ConvertTheSamples(const std::string& folder, const std::string& out) {
    test::SetClassRegistration(kTextPrinterKey, "\"" + folder + "\\plumavert-textprint.exe\"");
    const PROCESS_INFORMATION started = Start("\"" + folder + "\\plumavert-fennic.exe\"");
    const DWORD id = started.dwProcessId;
    if (const HWND form =
            test::WaitFor("the main window", [&] { return test::FindProgramWindow(id, kForm1ClassName); })) {
        ::PostMessageW(::GetDlgItem(form, form1id::kButtonId + 5), BM_CLICK, 0, 0); // Load Sample Files
        const auto question = test::AnswerMessageBox(id, IDNO);
        EXPECT_EQ(question.text.rfind("Would you like this software to open the folder", 0), 0U)
            << "no other message comes first, such as the printer's absence: " << question.text;
        ::SetDlgItemTextW(form, form1id::kText1Id, Wide(out).c_str());
        ::SetDlgItemTextW(form, form1id::kText2Id, L"0");
        ::PostMessageW(::GetDlgItem(form, form1id::kButtonId + 2), BM_CLICK, 0, 0); // Start Converting To PDF
        EXPECT_EQ(test::AnswerMessageBox(id, IDOK).text, "Done.");
        ::PostMessageW(form, WM_CLOSE, 0, 0);
    }
    WaitForEnd(started);
    test::SetClassRegistration(kTextPrinterKey, std::nullopt);
}

TEST(SetupProgram, InstallsAPrinterThatStoresEachSampleAtItsOutputFileAndUninstallsAllButTheSettings) {
    test::TempHome home; // also installs the Wine PostScript driver
    const std::string setup = "\"" + test::BinFolder() + "\\..\\" PF_SETUP_NAME "\" /S";
    const std::string install = setup + " /DRIVER=\"Wine PostScript Driver\"";
    ASSERT_EQ(WaitForEnd(Start(install)), 0u);

    const std::string folder = ShellFolder(CSIDL_PROGRAM_FILES) + "\\Plumavert Fennic";
    const std::string shortcut = ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Plumavert Fennic.lnk";
    const std::string monitorDll = ShellFolder(CSIDL_SYSTEM) + "\\tarnwicke-pdf-writer.dll";
    for (const char* file : {"plumavert-fennic.exe", "plumavert-textprint.exe", "HAND-M.CUR", "drag.ico",
                             "plumavert-fennic.ico", "x\\o.cjs", "Samples\\letter.txt", "Uninstall.exe"}) {
        EXPECT_TRUE(Exists(folder + "\\" + file)) << file;
    }
    EXPECT_TRUE(Exists(shortcut));
    EXPECT_TRUE(Exists(monitorDll));
    const std::pair<const wchar_t*, std::string> entry[] = {
        {L"DisplayName", "Plumavert Fennic"},
        {L"DisplayVersion", PF_VERSION},
        {L"Publisher", "Tarnwicke"},
        {L"DisplayIcon", folder + "\\plumavert-fennic.ico"},
        {L"UninstallString", "\"" + folder + "\\Uninstall.exe\""},
        {L"QuietUninstallString", "\"" + folder + "\\Uninstall.exe\" /S"},
    };
    for (const auto& [name, value] : entry) {
        EXPECT_EQ(UninstallValue(name), value);
    }
    EXPECT_GT(std::stoi(UninstallValue(L"EstimatedSize").value_or("0")), 100);
    const std::string installed = SpoolerState();
    for (const char* line : {"monitor Tarnwicke PDF Writer", "printer Tarnwicke PDF Writer on CPW2:"}) {
        EXPECT_NE(installed.find(std::string(line) + "\n"), std::string::npos) << installed;
    }

    // A printer the user deleted comes back when the setup program runs again.
    platform::RemovePrinter("Tarnwicke PDF Writer");
    ASSERT_EQ(WaitForEnd(Start(install)), 0u);
    EXPECT_EQ(SpoolerState(), installed);

    const std::string out = home.MakeFolder("out");
    ConvertTheSamples(folder, out);
    int samples = 0;
    for (const auto& entry : fs::directory_iterator(test::FsPath(folder + "\\Samples"))) {
        const std::string name = test::PathText(entry.path().filename());
        const std::string pdf = out + "\\" + name.substr(0, name.rfind('.')) + ".pdf";
        EXPECT_EQ(test::ReadFile(pdf).rfind("%!PS", 0), 0u) << pdf << " holds the PostScript driver's job";
        EXPECT_EQ(FirstWords(test::PostScriptText(pdf, home.Root(), "-raw")),
                  FirstWords(test::ReadFile(test::PathText(entry.path()))))
            << pdf;
        ++samples;
    }
    EXPECT_EQ(samples, 6);
    EXPECT_EQ(std::distance(fs::directory_iterator(test::FsPath(out)), fs::directory_iterator()), samples)
        << "one output per sample, no temporary file left";

    // The uninstaller runs on from a copy of itself: wait for what it removes last.
    const auto uninstall = [&] {
        WaitForEnd(Start("\"" + folder + "\\Uninstall.exe\" /S"));
        test::WaitFor("the uninstaller", [&] { return !UninstallValue(L"DisplayName") && !Exists(folder); });
    };
    uninstall();
    EXPECT_FALSE(Exists(shortcut));
    EXPECT_FALSE(Exists(monitorDll));
    EXPECT_FALSE(UninstallValue(L"UninstallString"));
    const std::string removed = SpoolerState();
    for (const char* line : {"monitor Tarnwicke PDF Writer\n", "printer Tarnwicke PDF Writer"}) {
        EXPECT_EQ(removed.find(line), std::string::npos) << removed;
    }
    EXPECT_EQ(platform::ReadStoredValue(platform::Store::Application, "Location"), out)
        << "the user's settings stay";

    // Without the PDF driver (Wine has no "Microsoft Print To PDF") the program is installed all the same.
    ASSERT_EQ(WaitForEnd(Start(setup)), 0u);
    EXPECT_TRUE(Exists(folder + "\\plumavert-fennic.exe"));
    EXPECT_EQ(UninstallValue(L"DisplayName"), "Plumavert Fennic");
    EXPECT_EQ(SpoolerState().find("printer Tarnwicke PDF Writer"), std::string::npos);
    uninstall();
}

} // namespace
} // namespace pf

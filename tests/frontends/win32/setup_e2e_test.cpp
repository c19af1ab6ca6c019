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

#include <commctrl.h>
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
constexpr const wchar_t* kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Plumavert Fennic";

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

// Starts a command line and waits for its process to end; its exit code.
DWORD RunToEnd(const std::string& commandLine) {
    std::wstring line = Wide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        ADD_FAILURE() << "cannot start " << commandLine;
        return ~0u;
    }
    ::WaitForSingleObject(process.hProcess, 300000);
    DWORD exitCode = ~0u;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    return exitCode;
}

// A value of the uninstall entry, which a 32-bit setup writes in the 32-bit registry view.
std::optional<std::string> UninstallValue(const wchar_t* name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    wchar_t text[1024] = {};
    DWORD size = sizeof text;
    DWORD number = 0;
    DWORD numberSize = sizeof number;
    std::optional<std::string> value;
    if (::RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, text, &size) == ERROR_SUCCESS) {
        value = platform::win::FromWide(text);
    } else if (::RegGetValueW(key, nullptr, name, RRF_RT_REG_DWORD, nullptr, &number, &numberSize) ==
               ERROR_SUCCESS) {
        value = std::to_string(number);
    }
    ::RegCloseKey(key);
    return value;
}

// The spooler's monitors, ports and printers (with their ports), one line each.
std::string SpoolerState() {
    std::string state;
    DWORD needed = 0;
    DWORD count = 0;
    ::EnumMonitorsW(nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> monitors(needed + 1);
    if (::EnumMonitorsW(nullptr, 1, monitors.data(), needed, &needed, &count)) {
        for (DWORD i = 0; i < count; ++i) {
            state += "monitor " +
                     platform::win::FromWide(reinterpret_cast<MONITOR_INFO_1W*>(monitors.data())[i].pName) +
                     "\n";
        }
    }
    ::EnumPortsW(nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> ports(needed + 1);
    if (::EnumPortsW(nullptr, 1, ports.data(), needed, &needed, &count)) {
        for (DWORD i = 0; i < count; ++i) {
            state += "port " +
                     platform::win::FromWide(reinterpret_cast<PORT_INFO_1W*>(ports.data())[i].pName) + "\n";
        }
    }
    for (const auto& printer : platform::InstalledPrinters()) {
        state += "printer " + printer.name + " on " + printer.port + "\n";
    }
    return state;
}

bool Holds(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

std::vector<std::string> FirstWords(const std::string& text, std::size_t count) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; words.size() < count && in >> word;) {
        words.push_back(word);
    }
    return words;
}

// The installed program over its own samples, driven as a user would, with the installed text printer in
// WordPad's place (Wine's WordPad cannot print).
void ConvertTheSamples(const std::string& folder, const std::string& out) {
    test::SetClassRegistration(kTextPrinterKey, "\"" + folder + "\\plumavert-textprint.exe\"");
    std::wstring commandLine = L"\"" + Wide(folder) + L"\\plumavert-fennic.exe\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &started));
    const DWORD id = started.dwProcessId;
    const HWND form =
        test::WaitFor("the main window", [&] { return test::FindProgramWindow(id, kForm1ClassName); });
    if (form != nullptr) {
        ::PostMessageW(::GetDlgItem(form, form1id::kButtonId + 5), BM_CLICK, 0,
                       0); // Load Sample/Example Files
        const auto question = test::AnswerMessageBox(id, IDNO);
        EXPECT_EQ(question.text.rfind("Would you like this software to open the folder", 0), 0U)
            << "no other message comes first, such as the printer's absence: " << question.text;
        ::SendMessageW(::GetDlgItem(form, form1id::kText1Id), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(Wide(out).c_str()));
        ::SendMessageW(::GetDlgItem(form, form1id::kText2Id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"0"));
        ::PostMessageW(::GetDlgItem(form, form1id::kButtonId + 2), BM_CLICK, 0, 0); // Start Converting To PDF
        EXPECT_EQ(test::AnswerMessageBox(id, IDOK).text, "Done.");
        ::PostMessageW(form, WM_CLOSE, 0, 0);
    }
    if (::WaitForSingleObject(started.hProcess, 30000) != WAIT_OBJECT_0) {
        ::TerminateProcess(started.hProcess, 1);
    }
    ::CloseHandle(started.hProcess);
    ::CloseHandle(started.hThread);
    test::SetClassRegistration(kTextPrinterKey, std::nullopt);
}

TEST(SetupProgram, InstallsAPrinterThatStoresEachSampleAtItsOutputFileAndUninstallsAllButTheSettings) {
    test::TempHome home; // also installs the Wine PostScript driver
    const std::string setup = test::BinFolder() + "\\..\\" PF_SETUP_NAME;
    const std::string install = "\"" + setup + "\" /S /DRIVER=\"Wine PostScript Driver\"";
    ASSERT_EQ(RunToEnd(install), 0u);

    const std::string folder = ShellFolder(CSIDL_PROGRAM_FILES) + "\\Plumavert Fennic";
    const std::string shortcut = ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Plumavert Fennic.lnk";
    const std::string monitorDll = ShellFolder(CSIDL_SYSTEM) + "\\tarnwicke-pdf-writer.dll";
    for (const char* file : {"plumavert-fennic.exe", "plumavert-textprint.exe", "HAND-M.CUR", "drag.ico",
                             "plumavert-fennic.ico", "x\\o.cjs", "Samples\\letter.txt", "Uninstall.exe"}) {
        EXPECT_TRUE(Exists(folder + "\\" + file)) << file;
    }
    EXPECT_TRUE(Exists(shortcut));
    EXPECT_TRUE(Exists(monitorDll));
    EXPECT_EQ(UninstallValue(L"DisplayName"), "Plumavert Fennic");
    EXPECT_EQ(UninstallValue(L"DisplayVersion"), PF_VERSION);
    EXPECT_EQ(UninstallValue(L"Publisher"), "Tarnwicke");
    EXPECT_EQ(UninstallValue(L"DisplayIcon"), folder + "\\plumavert-fennic.ico");
    EXPECT_EQ(UninstallValue(L"UninstallString"), "\"" + folder + "\\Uninstall.exe\"");
    EXPECT_EQ(UninstallValue(L"QuietUninstallString"), "\"" + folder + "\\Uninstall.exe\" /S");
    EXPECT_GT(std::stoi(UninstallValue(L"EstimatedSize").value_or("0")), 100);
    const std::string installed = SpoolerState();
    EXPECT_TRUE(Holds(installed, "monitor Tarnwicke PDF Writer")) << installed;
    EXPECT_TRUE(Holds(installed, "port CPW2:")) << installed;
    EXPECT_TRUE(Holds(installed, "printer Tarnwicke PDF Writer on CPW2:")) << installed;

    // A printer the user deleted comes back when the setup program runs again.
    platform::RemovePrinter("Tarnwicke PDF Writer");
    ASSERT_EQ(RunToEnd(install), 0u);
    EXPECT_EQ(SpoolerState(), installed);

    const std::string out = home.MakeFolder("out");
    ConvertTheSamples(folder, out);
    int samples = 0;
    for (const auto& entry : fs::directory_iterator(test::FsPath(folder + "\\Samples"))) {
        const std::string name = test::PathText(entry.path().filename());
        const std::string pdf = out + "\\" + name.substr(0, name.rfind('.')) + ".pdf";
        const std::string printed = test::ReadFile(pdf);
        EXPECT_EQ(printed.rfind("%!PS", 0), 0u) << pdf << " holds the PostScript driver's job";
        EXPECT_EQ(FirstWords(test::PostScriptText(pdf, home.Root(), "-raw"), 3),
                  FirstWords(test::ReadFile(test::PathText(entry.path())), 3))
            << pdf;
        ++samples;
    }
    EXPECT_EQ(samples, 6);
    EXPECT_EQ(std::distance(fs::directory_iterator(test::FsPath(out)), fs::directory_iterator()), samples)
        << "one output per sample, no temporary file left";

    // The uninstaller runs on from a copy of itself: wait for what it removes last.
    const auto uninstall = [&] {
        RunToEnd("\"" + folder + "\\Uninstall.exe\" /S");
        test::WaitFor("the uninstaller", [&] { return !UninstallValue(L"DisplayName") && !Exists(folder); });
    };
    uninstall();
    EXPECT_FALSE(Exists(folder));
    EXPECT_FALSE(Exists(shortcut));
    EXPECT_FALSE(Exists(monitorDll));
    EXPECT_FALSE(UninstallValue(L"UninstallString"));
    const std::string removed = SpoolerState();
    EXPECT_FALSE(Holds(removed, "monitor Tarnwicke PDF Writer")) << removed;
    EXPECT_FALSE(Holds(removed, "port CPW2:")) << removed;
    EXPECT_EQ(removed.find("printer Tarnwicke PDF Writer"), std::string::npos) << removed;
    EXPECT_EQ(platform::ReadStoredValue(platform::Store::Application, "Location"), out)
        << "the user's settings stay";

    // Without the PDF driver (Wine has no "Microsoft Print To PDF") the program is installed all the same.
    ASSERT_EQ(RunToEnd("\"" + setup + "\" /S"), 0u);
    EXPECT_TRUE(Exists(folder + "\\plumavert-fennic.exe"));
    EXPECT_EQ(UninstallValue(L"DisplayName"), "Plumavert Fennic");
    EXPECT_EQ(SpoolerState().find("printer Tarnwicke PDF Writer"), std::string::npos);
    uninstall();
    EXPECT_FALSE(Exists(folder));
}

} // namespace
} // namespace pf

// The real plumavert-fennic.exe under Wine, driven from outside as a user would: the sample files are
// loaded with their button, the output folder and pause typed in, "Start Converting To PDF" pressed. A
// stand-in registered as the text printer copies each file to the PDF printer's OutputFile and notes
// the default printer it printed to. The program folder is the one unpacked from the zip users get; in
// the 32-bit build also the one the setup program installs, with its own text printer and PDF printer.

#include "form1.h"
#include "platform.h"
#include "postscripttext.h"
#include "temphome.h"
#include "widetext.h"

#include <commctrl.h>
#include <shlobj.h>
#include <winspool.h>

// winspool.h turns AddPrinter into AddPrinterW; here it is the platform interface's own name.
#undef AddPrinter

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <sstream>
#include <thread>

namespace pf {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTextPrinterKey = "Wordpad.Document.1\\Protocol\\StdFileEditing\\Server";
constexpr const char* kOtherPrinter = "Office Laser";
constexpr auto kPatience = std::chrono::seconds(60);

std::wstring Wide(const std::string& utf8) {
    return platform::win::ToWide(utf8);
}

// Polls until the probe finds something; fails the test when the program never shows it.
template <typename Probe> auto WaitFor(const char* what, Probe probe) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (;;) {
        if (auto found = probe()) {
            return found;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "gave up waiting for " << what;
            return decltype(probe())();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// The program's own visible top-level window of one class.
struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (owner == search->processId && ::IsWindowVisible(window) &&
        std::wcscmp(name, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindProgramWindow(DWORD processId, const wchar_t* className) {
    WindowSearch search{processId, className, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A message box of the program: its title, its text, and the button that answers it.
struct MessageBoxSeen {
    std::string title;
    std::string text;
};

MessageBoxSeen AnswerMessageBox(DWORD processId, int button) {
    const HWND box = WaitFor("a message box", [&] { return FindProgramWindow(processId, L"#32770"); });
    if (box == nullptr) {
        return {};
    }
    wchar_t title[128] = {};
    wchar_t text[1024] = {};
    ::GetWindowTextW(box, title, 128);
    ::GetDlgItemTextW(box, 0xFFFF, text, 1024);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
    WaitFor("the message box to close", [&] { return !::IsWindow(box) || !::IsWindowVisible(box); });
    return {platform::win::FromWide(title), platform::win::FromWide(text)};
}

PROCESS_INFORMATION StartProcess(const std::string& commandLine) {
    std::wstring line = Wide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &process))
        << commandLine;
    return process;
}

class ProgramE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The program folder as the zip holds it, with three sample files of the test's own.
        program = home.Root() + "\\program";
        fs::copy(test::FsPath(test::RunningProgramFolder() + test::NativeSeparators("/" PF_UNPACKED_PROGRAM)),
                 test::FsPath(program), fs::copy_options::recursive);
        fs::remove_all(test::FsPath(program + "\\Samples"));
        for (const char* name : {"first.txt", "second.txt", "third.txt"}) {
            inputs.push_back(
                home.WriteFile(std::string("program/Samples/") + name, std::string("text of ") + name));
        }
        out = home.MakeFolder("out");
        test::SetClassRegistration(kTextPrinterKey,
                                   "\"" + test::RunningProgramFolder() + "\\" PF_FAKE_TEXTPRINT "\"");
        platform::AddPrinter({kOtherPrinter, home.Root() + "\\office.ps"});
        platform::MakeDefaultPrinter(kOtherPrinter);
        platform::AddPrinter({"Tarnwicke PDF Writer", home.Root() + "\\pdfwriter.ps"});
        log = home.Root() + "\\calls.log";
        printerLog = home.Root() + "\\printers.log";
        test::SetEnvironment("FAKE_LOG", log);
        test::SetEnvironment("FAKE_PRINTER_LOG", printerLog);
    }

    void TearDown() override {
        if (started.hProcess != nullptr) {
            if (::WaitForSingleObject(started.hProcess, 0) == WAIT_TIMEOUT) {
                ::TerminateProcess(started.hProcess, 1);
            }
            ::CloseHandle(started.hProcess);
            ::CloseHandle(started.hThread);
        }
        test::SetClassRegistration(kTextPrinterKey, std::nullopt);
        test::SetEnvironment("FAKE_LOG", std::nullopt);
        test::SetEnvironment("FAKE_PRINTER_LOG", std::nullopt);
    }

    HWND Start() {
        started = StartProcess("\"" + program + "\\plumavert-fennic.exe\"");
        return WaitFor("the main window",
                       [&] { return FindProgramWindow(started.dwProcessId, kForm1ClassName); });
    }

    test::TempHome home;
    std::string program;
    std::string out;
    std::string log;
    std::string printerLog;
    std::vector<std::string> inputs;
    PROCESS_INFORMATION started{};
};

TEST_F(ProgramE2eTest, ThreeSampleFilesBecomeThreeOutputsWithThePdfPrinterAsDefaultAndDoneIsShown) {
    const HWND form = Start();
    ASSERT_NE(form, nullptr);
    const DWORD id = started.dwProcessId;
    wchar_t caption[64] = {};
    ::GetWindowTextW(form, caption, 64);
    EXPECT_STREQ(caption, L"Plumavert Fennic");

    ::PostMessageW(::GetDlgItem(form, form1id::kButtonId + 5), BM_CLICK, 0, 0); // Load Sample/Example Files
    const MessageBoxSeen question = AnswerMessageBox(id, IDNO);
    EXPECT_EQ(question.title, "Plumavert");
    EXPECT_EQ(question.text.rfind("Would you like this software to open the folder", 0), 0U) << question.text;
    EXPECT_EQ(::SendMessageW(::GetDlgItem(form, form1id::kListView1Id), LVM_GETITEMCOUNT, 0, 0), 3);

    ::SendMessageW(::GetDlgItem(form, form1id::kText1Id), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(Wide(out).c_str()));
    ::SendMessageW(::GetDlgItem(form, form1id::kText2Id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"0"));
    ::PostMessageW(::GetDlgItem(form, form1id::kButtonId + 2), BM_CLICK, 0, 0); // Start Converting To PDF
    const MessageBoxSeen done = AnswerMessageBox(id, IDOK);
    EXPECT_EQ(done.text, "Done.");
    EXPECT_EQ(done.title, "Plumavert");

    std::string expectedCalls;
    for (const auto& input : inputs) {
        const std::string name = input.substr(input.rfind('\\') + 1);
        const std::string pdf = out + "\\" + name.substr(0, name.rfind('.')) + ".pdf";
        EXPECT_EQ(test::ReadFile(pdf), "text of " + name) << pdf;
        expectedCalls += pdf + "|1|text of " + name + "\n";
    }
    // Each call: the temporary copy (in the user's TEMP folder), OutputFile, BypassSaveAs and the text.
    std::istringstream lines(test::ReadFile(log));
    std::string calls;
    for (std::string line; std::getline(lines, line);) {
        const std::string copy = line.substr(0, line.find('|'));
        EXPECT_EQ(copy.rfind(home.TempFolder() + "\\", 0), 0U) << copy;
        EXPECT_EQ(copy.substr(copy.rfind('\\')), "\\temp.txt");
        calls += line.substr(copy.size() + 1) + "\n";
    }
    EXPECT_EQ(calls, expectedCalls);
    EXPECT_EQ(test::ReadFile(printerLog),
              "Tarnwicke PDF Writer\nTarnwicke PDF Writer\nTarnwicke PDF Writer\n");
    EXPECT_EQ(platform::DefaultPrinterName(), kOtherPrinter) << "the user's default printer is back";

    ::PostMessageW(form, WM_CLOSE, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(started.hProcess, 30000), WAIT_OBJECT_0) << "closing ends the program";
    DWORD exitCode = 1;
    ::GetExitCodeProcess(started.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0U);
}

#ifdef PF_SETUP_NAME

// The setup program as a user runs it, in the test prefix: a silent install, a run of the installed
// program over its samples through the spooler and the print monitor, a silent uninstall. Wine has no
// "Microsoft Print To PDF", so the printer gets the Wine PostScript driver and each output holds
// PostScript, read back with ps2pdf and pdftotext.

std::string ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
    return platform::win::FromWide(path);
}

// Waits for a started process to end, ending it when it runs longer; its exit code.
DWORD WaitForEnd(const PROCESS_INFORMATION& process, DWORD milliseconds = 300000) {
    DWORD exitCode = ~0u;
    if (::WaitForSingleObject(process.hProcess, milliseconds) != WAIT_OBJECT_0) {
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
    const PROCESS_INFORMATION started = StartProcess("\"" + folder + "\\plumavert-fennic.exe\"");
    const DWORD id = started.dwProcessId;
    if (const HWND form =
            WaitFor("the main window", [&] { return FindProgramWindow(id, kForm1ClassName); })) {
        ::PostMessageW(::GetDlgItem(form, form1id::kButtonId + 5), BM_CLICK, 0, 0); // Load Sample Files
        const auto question = AnswerMessageBox(id, IDNO);
        EXPECT_EQ(question.text.rfind("Would you like this software to open the folder", 0), 0U)
            << "no other message comes first, such as the printer's absence: " << question.text;
        ::SetDlgItemTextW(form, form1id::kText1Id, Wide(out).c_str());
        ::SetDlgItemTextW(form, form1id::kText2Id, L"0");
        ::PostMessageW(::GetDlgItem(form, form1id::kButtonId + 2), BM_CLICK, 0, 0); // Start Converting To PDF
        EXPECT_EQ(AnswerMessageBox(id, IDOK).text, "Done.");
        ::PostMessageW(form, WM_CLOSE, 0, 0);
    }
    WaitForEnd(started, 30000);
    test::SetClassRegistration(kTextPrinterKey, std::nullopt);
}

TEST(SetupProgram, InstallsAPrinterThatStoresEachSampleAtItsOutputFileAndUninstallsAllButTheSettings) {
    test::TempHome home; // also installs the Wine PostScript driver
    const std::string setup = "\"" + test::BinFolder() + "\\..\\" PF_SETUP_NAME "\" /S";
    const std::string install = setup + " /DRIVER=\"Wine PostScript Driver\"";
    ASSERT_EQ(WaitForEnd(StartProcess(install)), 0u);

    const std::string folder = ShellFolder(CSIDL_PROGRAM_FILES) + "\\Plumavert Fennic";
    const std::string shortcut = ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Plumavert Fennic.lnk";
    const std::string monitorDll = ShellFolder(CSIDL_SYSTEM) + "\\tarnwicke-pdf-writer.dll";
    for (const char* file : {"plumavert-fennic.exe", "plumavert-textprint.exe", "HAND-M.CUR", "drag.ico",
                             "plumavert-fennic.ico", "x\\o.cjs", "Samples\\letter.txt", "Uninstall.exe"}) {
        EXPECT_TRUE(platform::FileAttributes(folder + "\\" + file)) << file;
    }
    EXPECT_TRUE(platform::FileAttributes(shortcut));
    EXPECT_TRUE(platform::FileAttributes(monitorDll));
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
    ASSERT_EQ(WaitForEnd(StartProcess(install)), 0u);
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
        WaitForEnd(StartProcess("\"" + folder + "\\Uninstall.exe\" /S"));
        WaitFor("the uninstaller",
                [&] { return !UninstallValue(L"DisplayName") && !platform::FileAttributes(folder); });
    };
    uninstall();
    EXPECT_FALSE(platform::FileAttributes(shortcut));
    EXPECT_FALSE(platform::FileAttributes(monitorDll));
    EXPECT_FALSE(UninstallValue(L"UninstallString"));
    const std::string removed = SpoolerState();
    for (const char* line : {"monitor Tarnwicke PDF Writer\n", "printer Tarnwicke PDF Writer"}) {
        EXPECT_EQ(removed.find(line), std::string::npos) << removed;
    }
    EXPECT_EQ(platform::ReadStoredValue(platform::Store::Application, "Location"), out)
        << "the user's settings stay";

    // Without the PDF driver (Wine has no "Microsoft Print To PDF") the program is installed all the same.
    ASSERT_EQ(WaitForEnd(StartProcess(setup)), 0u);
    EXPECT_TRUE(platform::FileAttributes(folder + "\\plumavert-fennic.exe"));
    EXPECT_EQ(UninstallValue(L"DisplayName"), "Plumavert Fennic");
    EXPECT_EQ(SpoolerState().find("printer Tarnwicke PDF Writer"), std::string::npos);
    uninstall();
}

#endif

} // namespace
} // namespace pf

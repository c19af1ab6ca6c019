// The real plumavert-fennic.exe, in the program folder unpacked from the zip users get, under Wine and
// driven from outside as a user would: the sample files are loaded with their button, the output
// folder and pause typed in, "Start Converting To PDF" pressed. A stand-in registered as the text
// printer copies each file to the PDF printer's OutputFile and notes the default printer it printed to.

#include "form1.h"
#include "platform.h"
#include "programwindow.h"
#include "temphome.h"
#include "widetext.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace pf {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTextPrinterKey = "Wordpad.Document.1\\Protocol\\StdFileEditing\\Server";
constexpr const char* kOtherPrinter = "Office Laser";
using test::AnswerMessageBox;
using test::FindProgramWindow;
using test::MessageBoxSeen;
using test::WaitFor;

std::wstring Wide(const std::string& utf8) {
    return platform::win::ToWide(utf8);
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
        std::wstring commandLine = L"\"" + Wide(program) + L"\\plumavert-fennic.exe\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        EXPECT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &startup, &started));
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

} // namespace
} // namespace pf

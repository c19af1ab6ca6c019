// The print monitor of "Tarnwicke PDF Writer", called directly as the spooler calls it (one job after
// another on "CPW2:") and behind Wine's spooler, which runs inside this process: the job's user is the
// test's own.

#include "pdfprinter.h"
#include "platform.h"
#include "temphome.h"
#include "widetext.h"

#include <windows.h>
#include <winspool.h>
// The print monitor interface, which needs the spooler types above.
#include <winsplp.h>

// winspool.h turns AddPrinter into AddPrinterA; here it is the platform interface's own name.
#undef AddPrinter

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <span>

namespace pf {
namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kValuesKey = L"Software\\Tarnwicke PDF Writer";
constexpr const wchar_t* kShellFoldersKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

std::wstring Wide(const std::string& utf8) {
    return platform::win::ToWide(utf8);
}

// Stores a text value of the user's by its length, without a terminating NUL unless asked for one. The
// system adds a NUL that the length leaves out when one follows the text, so another character does.
void SetValue(const wchar_t* key, const wchar_t* name, std::wstring text, bool withNul = false,
              DWORD type = REG_SZ) {
    const auto bytes = static_cast<DWORD>((text.size() + (withNul ? 1 : 0)) * sizeof(wchar_t));
    text += withNul ? L'\0' : L'#';
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key, name, type, text.c_str(), bytes);
}

void SetPrinterValues(const std::wstring& outputFile, const std::wstring& bypassSaveAs,
                      bool withNul = false) {
    SetValue(kValuesKey, L"OutputFile", outputFile, withNul);
    SetValue(kValuesKey, L"BypassSaveAs", bypassSaveAs, withNul);
}

// Points the user's Documents folder, through the value the shell reads it from, at another folder for
// as long as it lives: under Wine it is the Unix home, which a test must not write in.
class DocumentsRedirect {
public:
    explicit DocumentsRedirect(const std::string& folder) {
        DWORD size = sizeof m_old;
        ::RegGetValueW(HKEY_CURRENT_USER, kShellFoldersKey, L"Personal",
                       RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, m_old, &size);
        SetValue(kShellFoldersKey, L"Personal", Wide(folder), true, REG_EXPAND_SZ);
    }
    ~DocumentsRedirect() { SetValue(kShellFoldersKey, L"Personal", m_old, true, REG_EXPAND_SZ); }
    DocumentsRedirect(const DocumentsRedirect&) = delete;
    DocumentsRedirect& operator=(const DocumentsRedirect&) = delete;

private:
    wchar_t m_old[MAX_PATH] = {};
};

// Every file below a folder, with its contents.
std::map<std::string, std::string> FilesBelow(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(test::FsPath(folder), ec)) {
        if (entry.is_regular_file()) {
            files[test::PathText(entry.path())] = test::ReadFile(test::PathText(entry.path()));
        }
    }
    return files;
}

// A folder that refuses new files: one whose write access is taken away or, where that does not hold
// (Wine run as root writes anyway), the Unix /proc, where nobody can make a file.
std::string UnwritableFolder(const test::TempHome& home) {
    const std::string locked = home.MakeFolder("locked");
    test::SetFileAttributeBits(locked, FILE_ATTRIBUTE_READONLY);
    const std::wstring probe = Wide(locked + "\\probe");
    const HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return locked;
    }
    ::CloseHandle(file);
    ::DeleteFileW(probe.c_str());
    return "Z:\\proc";
}

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        module = ::LoadLibraryW(Wide(test::BinFolder() + "\\tarnwicke-pdf-writer.dll").c_str());
        ASSERT_NE(module, nullptr) << "the monitor is built beside the program";
        using Initialize = LPMONITOR2(WINAPI*)(PMONITORINIT, PHANDLE);
        const auto initialize = reinterpret_cast<Initialize>(
            reinterpret_cast<void*>(::GetProcAddress(module, "InitializePrintMonitor2")));
        ASSERT_NE(initialize, nullptr) << "exported by its plain name";
        MONITORINIT init{};
        init.cbSize = sizeof init;
        init.bLocal = TRUE;
        monitor = initialize(&init, &monitorHandle);
        ASSERT_NE(monitor, nullptr);
        ASSERT_GE(monitor->cbSize, offsetof(MONITOR2, pfnShutdown) + sizeof monitor->pfnShutdown);
    }

    void TearDown() override {
        if (monitor != nullptr) {
            monitor->pfnShutdown(monitorHandle);
        }
        if (module != nullptr) {
            ::FreeLibrary(module);
        }
    }

    // One job with the given bytes, in two writes as the spooler hands a job over in pieces; it ends
    // with EndDocPort when asked. True when the monitor took the job at its start and at its end.
    bool Print(const std::string& bytes, bool reachEnd = true, const wchar_t* documentName = L"letter.txt") {
        HANDLE port = nullptr;
        wchar_t portName[] = L"CPW2:";
        EXPECT_TRUE(monitor->pfnOpenPort(monitorHandle, portName, &port));
        DOC_INFO_1W info{const_cast<wchar_t*>(documentName), nullptr, const_cast<wchar_t*>(L"RAW")};
        bool stored = monitor->pfnStartDocPort(port, nullptr, 0, 1, reinterpret_cast<BYTE*>(&info));
        if (stored) {
            for (std::string piece : {bytes.substr(0, bytes.size() / 2), bytes.substr(bytes.size() / 2)}) {
                DWORD written = 0;
                EXPECT_TRUE(monitor->pfnWritePort(port, reinterpret_cast<BYTE*>(piece.data()),
                                                  static_cast<DWORD>(piece.size()), &written));
                EXPECT_EQ(written, piece.size());
            }
            stored = !reachEnd || monitor->pfnEndDocPort(port);
        }
        EXPECT_TRUE(monitor->pfnClosePort(port));
        return stored;
    }

    test::TempHome home;
    std::string documents = home.MakeFolder("Documents");
    DocumentsRedirect redirect{documents};
    HMODULE module = nullptr;
    LPMONITOR2 monitor = nullptr;
    HANDLE monitorHandle = nullptr;
};

TEST_F(MonitorTest, TheJobsBytesReplaceTheFileAtOutputFileReadByItsStoredLength) {
    const std::string out = home.MakeFolder("out");
    for (const bool withNul : {false, true}) {
        const std::string target = out + "\\r\xC3\xA9sum\xC3\xA9.pdf";
        home.WriteFile("out/r\xC3\xA9sum\xC3\xA9.pdf", "the old file");
        SetPrinterValues(Wide(target), L"1", withNul);
        ASSERT_TRUE(Print("%PDF-1.7 the job's bytes\n%%EOF\n"));
        EXPECT_EQ(test::ReadFile(target), "%PDF-1.7 the job's bytes\n%%EOF\n") << "with NUL: " << withNul;
        EXPECT_EQ(FilesBelow(out).size(), 1u) << "no temporary file is left";
    }
}

TEST_F(MonitorTest, AJobThatNeverEndsLeavesTheOldFileAndNoPartialOne) {
    const std::string target = home.WriteFile("out/report.pdf", "the old file");
    SetPrinterValues(Wide(target), L"1");
    ASSERT_TRUE(Print("half a job", false));
    EXPECT_EQ(FilesBelow(home.Root() + "\\out"),
              (std::map<std::string, std::string>{{target, "the old file"}}));
}

TEST_F(MonitorTest, WithoutAChosenFileTheJobGoesToDocumentsUnderANewNumberedName) {
    const std::string stem = documents + "\\monthly report";
    const std::wstring elsewhere = Wide(home.Root() + "\\elsewhere.pdf");
    const struct {
        std::wstring outputFile;
        std::wstring bypassSaveAs;
        std::string expectedFile;
    } cases[] = {
        {elsewhere, L"0", stem + ".pdf"},
        {L"", L"1", stem + " (2).pdf"},
        {elsewhere, L"", stem + " (3).pdf"},
    };
    for (const auto& c : cases) {
        SetPrinterValues(c.outputFile, c.bypassSaveAs);
        ASSERT_TRUE(Print("job for " + c.expectedFile, true, L"C:\\reports\\monthly report.txt"));
        EXPECT_EQ(test::ReadFile(c.expectedFile), "job for " + c.expectedFile);
    }
    EXPECT_EQ(test::ReadFile(cases[0].expectedFile), "job for " + cases[0].expectedFile)
        << "never overwritten";
    EXPECT_FALSE(fs::exists(fs::path(elsewhere)));
}

TEST_F(MonitorTest, AnOutputFileThatCannotBeWrittenFailsTheJobAndWritesNothingElsewhere) {
    const std::string kept = home.WriteFile("folder/kept.txt", "kept");
    const std::wstring cases[] = {
        Wide(home.Root() + "\\missing\\out.pdf"),
        Wide(UnwritableFolder(home) + "\\out.pdf"),
        Wide(home.Root() + "\\folder"), // a folder where the file should be
        Wide(home.Root() + "\\") + std::wstring(5000 - home.Root().size() - 1, L'a'),
        L"folder\\relative.pdf", // relative to whatever folder the spooler is in
    };
    wchar_t current[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, current);
    ::SetCurrentDirectoryW(Wide(home.Root()).c_str());
    for (const auto& outputFile : cases) {
        SetPrinterValues(outputFile, L"1");
        EXPECT_FALSE(Print("a job")) << outputFile.size();
    }
    ::SetCurrentDirectoryW(current);
    EXPECT_EQ(FilesBelow(home.Root()), (std::map<std::string, std::string>{{kept, "kept"}}))
        << "nothing, not in Documents either";
}

TEST_F(MonitorTest, AddPortAndDeletePortChangeThePortsTheMonitorLists) {
    const auto listed = [&] {
        DWORD needed = 0;
        DWORD count = 0;
        monitor->pfnEnumPorts(monitorHandle, nullptr, 2, nullptr, 0, &needed, &count);
        std::vector<BYTE> buffer(needed);
        if (monitor->pfnEnumPorts(monitorHandle, nullptr, 2, buffer.data(), needed, &needed, &count)) {
            for (const auto& info : std::span(reinterpret_cast<const PORT_INFO_2W*>(buffer.data()), count)) {
                if (std::wstring(info.pPortName) == L"CPW9:") {
                    return std::wstring(info.pMonitorName) == L"Tarnwicke PDF Writer";
                }
            }
        }
        return false;
    };
    const auto xcv = [&](ACCESS_MASK access, const wchar_t* command, const wchar_t* port) {
        HANDLE session = nullptr;
        EXPECT_TRUE(
            monitor->pfnXcvOpenPort(monitorHandle, L",XcvMonitor Tarnwicke PDF Writer", access, &session));
        DWORD needed = 0;
        const DWORD result = monitor->pfnXcvDataPort(
            session, command, reinterpret_cast<BYTE*>(const_cast<wchar_t*>(port)),
            static_cast<DWORD>((std::wcslen(port) + 1) * sizeof(wchar_t)), nullptr, 0, &needed);
        monitor->pfnXcvClosePort(session);
        return result;
    };
    xcv(SERVER_ACCESS_ADMINISTER, L"DeletePort", L"CPW9:");
    EXPECT_EQ(xcv(SERVER_ACCESS_ENUMERATE, L"AddPort", L"CPW9:"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(xcv(SERVER_ACCESS_ADMINISTER, L"AddPort", L"CPW9:"), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(listed());
    EXPECT_EQ(xcv(SERVER_ACCESS_ADMINISTER, L"AddPort", L"bad\\name"),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(xcv(SERVER_ACCESS_ADMINISTER, L"DeletePort", L"CPW9:"), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(listed());
}

// The monitor behind the spooler, added as the setup program adds it: AddMonitor, AddPort through
// XcvData, a printer on its port. Wine's spooler loads the monitor of this test's own build.
class SpoolerTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t system[MAX_PATH] = {};
        ::GetSystemDirectoryW(system, MAX_PATH);
        installedDll = std::wstring(system) + L"\\tarnwicke-pdf-writer.dll";
        ASSERT_TRUE(::CopyFileW(Wide(test::BinFolder() + "\\tarnwicke-pdf-writer.dll").c_str(),
                                installedDll.c_str(), FALSE));
        MONITOR_INFO_2W monitor{const_cast<wchar_t*>(kMonitor), nullptr,
                                const_cast<wchar_t*>(L"tarnwicke-pdf-writer.dll")};
        ASSERT_TRUE(::AddMonitorW(nullptr, 2, reinterpret_cast<BYTE*>(&monitor)) ||
                    ::GetLastError() == ERROR_PRINT_MONITOR_ALREADY_INSTALLED);
        ASSERT_EQ(Xcv(L"AddPort"), static_cast<DWORD>(ERROR_SUCCESS));
        platform::AddPrinter({kPdfPrinterName, kPdfPrinterPort});
    }

    void TearDown() override {
        platform::RemovePrinter(kPdfPrinterName);
        Xcv(L"DeletePort");
        ::DeleteMonitorW(nullptr, nullptr, const_cast<wchar_t*>(kMonitor));
        ::DeleteFileW(installedDll.c_str());
    }

    // An AddPort or DeletePort of "CPW2:" through the monitor; the monitor's answer.
    static DWORD Xcv(const wchar_t* command) {
        PRINTER_DEFAULTSW access{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
        HANDLE xcv = nullptr;
        if (!::OpenPrinterW(const_cast<wchar_t*>(L",XcvMonitor Tarnwicke PDF Writer"), &xcv, &access)) {
            return ::GetLastError();
        }
        wchar_t port[] = L"CPW2:";
        DWORD needed = 0;
        DWORD status = ERROR_INVALID_FUNCTION;
        ::XcvDataW(xcv, command, reinterpret_cast<BYTE*>(port), sizeof port, nullptr, 0, &needed, &status);
        ::ClosePrinter(xcv);
        return status;
    }

    static constexpr const wchar_t* kMonitor = L"Tarnwicke PDF Writer";
    test::TempHome home; // also installs the Wine PostScript driver and removes added printers
    std::wstring installedDll;
};

TEST_F(SpoolerTest, ARawJobsBytesReachOutputFileUnchanged) {
    const std::string target = home.MakeFolder("out") + "\\spooled.pdf";
    SetPrinterValues(Wide(target), L"1");
    constexpr char kBinary[] = "%PDF-1.7\n\x00\x01\xFF binary bytes stay as they are\n%%EOF\n";
    std::string bytes(kBinary, sizeof kBinary - 1);
    bytes += std::string(100000, 'x'); // more than one write's worth

    HANDLE printer = nullptr;
    ASSERT_TRUE(::OpenPrinterW(const_cast<wchar_t*>(L"Tarnwicke PDF Writer"), &printer, nullptr));
    DOC_INFO_1W document{const_cast<wchar_t*>(L"spooled"), nullptr, const_cast<wchar_t*>(L"RAW")};
    EXPECT_NE(::StartDocPrinterW(printer, 1, reinterpret_cast<BYTE*>(&document)), 0u);
    DWORD written = 0;
    EXPECT_TRUE(::WritePrinter(printer, bytes.data(), static_cast<DWORD>(bytes.size()), &written));
    EXPECT_TRUE(::EndDocPrinter(printer));
    ::ClosePrinter(printer);

    // The spooler may hand the job on after EndDocPrinter has returned.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (test::ReadFile(target) != bytes && std::chrono::steady_clock::now() < deadline) {
        ::Sleep(20);
    }
    EXPECT_EQ(test::ReadFile(target), bytes);
}

} // namespace
} // namespace pf

// The Windows backend against the real Win32 calls (under Wine in `make test-windows`): the registry
// stores with their exact values, the spooler's printers and the default-printer seam, processes, and
// the file system's attributes, listings and identities.

#include "fakechild.h"
#include "fixturetree.h"
#include "platform.h"
#include "temphome.h"
#include "windows/jobqueue.h"
#include "windows/wshnetwork.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace pf::platform {
namespace {

using test::FixtureTree;
using test::TempHome;

constexpr const char* kApplicationKey = "Software\\VB and VBA Program Settings\\Tarnwicke\\Plumavert Fennic";
constexpr const char* kPdfWriterKey = "Software\\Tarnwicke PDF Writer";

// A Unix path, which Wine's spooler writes a job to; never "FILE:", which asks for a file in a dialog.
constexpr const char* kDiscardingPort = "/dev/null";

// A registry value under HKEY_CURRENT_USER as stored: its type and its bytes.
struct StoredBytes {
    DWORD type = REG_NONE;
    std::string bytes;
};

std::optional<StoredBytes> ReadStoredBytes(const char* key, const char* name) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    StoredBytes stored;
    DWORD size = 0;
    LSTATUS status =
        ::RegQueryValueExW(handle, test::FsPath(name).c_str(), nullptr, &stored.type, nullptr, &size);
    stored.bytes.resize(size);
    if (status == ERROR_SUCCESS) {
        status = ::RegQueryValueExW(handle, test::FsPath(name).c_str(), nullptr, &stored.type,
                                    reinterpret_cast<BYTE*>(stored.bytes.data()), &size);
    }
    ::RegCloseKey(handle);
    return status == ERROR_SUCCESS ? std::optional<StoredBytes>(stored) : std::nullopt;
}

// The UTF-16 bytes of a UTF-8 text followed by a NUL, as REG_SZ keeps a string.
std::string Utf16WithNul(const std::string& utf8) {
    const std::wstring wide = test::FsPath(utf8).wstring() + L'\0';
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// ---------------------------------------------------------------- settings stores

TEST(SettingsStore, ValuesAreStringsUnderTheProgramsKeyAndComeBackAsStored) {
    TempHome home;
    EXPECT_EQ(ReadStoredValue(Store::Application, "Location"), std::nullopt);
    const std::string values[] = {"",
                                  "C:\\Users\\ann\\Desktop\\",
                                  "7",
                                  "line\r\nbreaks",
                                  "caf\xC3\xA9 \xC3\xBF",
                                  "\xE4\xB8\xAD\xE6\x96\x87 outside the code page"};
    for (const auto& value : values) {
        WriteStoredValue(Store::Application, "Location", value);
        EXPECT_EQ(ReadStoredValue(Store::Application, "Location"), value);
        const auto stored = ReadStoredBytes(kApplicationKey, "Location");
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(stored->bytes, Utf16WithNul(value));
    }
}

TEST(SettingsStore, KeyNamesIgnoreLetterCaseAsTheRegistryDoes) {
    TempHome home;
    WriteStoredValue(Store::Application, "Text2", "7");
    WriteStoredValue(Store::Application, "text2", "12");
    EXPECT_EQ(ReadStoredValue(Store::Application, "TEXT2"), "12");
    EXPECT_EQ(ReadStoredValue(Store::PdfWriter, "Text2"), std::nullopt);
}

TEST(SettingsStore, RemovedValuesReadAsMissingAndRemovingAMissingOneIsNoFailure) {
    TempHome home;
    RemoveStoredValue(Store::PdfWriter, "OutputFile");
    WriteStoredValue(Store::PdfWriter, "OutputFile", "C:\\out\\a.pdf");
    WriteStoredValue(Store::Application, "Text2", "7");
    RemoveStoredValue(Store::PdfWriter, "OutputFile");
    RemoveStoredValue(Store::Application, "Text2");
    EXPECT_EQ(ReadStoredValue(Store::PdfWriter, "OutputFile"), std::nullopt);
    EXPECT_EQ(ReadStoredValue(Store::Application, "Text2"), std::nullopt);
}

TEST(SettingsStore, AStoreThatCannotBeWrittenThrowsAndReadsAsEmpty) {
    TempHome home;
    home.BlockUserStores();
    EXPECT_THROW(WriteStoredValue(Store::Application, "Text2", "7"), RuntimeError);
    EXPECT_EQ(ReadStoredValue(Store::Application, "Text2"), std::nullopt);
}

// The registry keeps every string in UTF-16: a value written as ANSI text of n characters is stored as
// n UTF-16 code units, which shows whether a NUL was written.
TEST(PdfWriterValues, AreAnsiStringsWhoseStoredLengthIsTheTextWithoutANul) {
    TempHome home;
    struct Case {
        std::string value;
        std::string stored;
    };
    const Case cases[] = {
        {"C:\\out\\\\a.pdf", "C:\\out\\\\a.pdf"},
        {"1", "1"},
        {"D:\\Berichte\\caf\xC3\xA9.pdf", "D:\\Berichte\\caf\xC3\xA9.pdf"},
        // No look-alike: a path outside the code page cannot name another PDF.
        {"D:\\\xC4\x80\xE4\xB8\xAD.pdf", "D:\\??.pdf"},
        {"", ""},
    };
    for (const auto& c : cases) {
        WriteStoredValue(Store::PdfWriter, "OutputFile", c.value);
        const auto stored = ReadStoredBytes(kPdfWriterKey, "OutputFile");
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ)) << c.value;
        const std::string withNul = Utf16WithNul(c.stored);
        EXPECT_EQ(stored->bytes, withNul.substr(0, withNul.size() - sizeof(wchar_t))) << c.value;
        EXPECT_EQ(ReadStoredValue(Store::PdfWriter, "OutputFile"), c.stored) << c.value;
    }
}

TEST(PdfWriterValues, AreReadByTheirStoredLengthWhetherOrNotANulWasStored) {
    TempHome home;
    WriteStoredValue(Store::PdfWriter, "BypassSaveAs", "1");
    EXPECT_EQ(ReadStoredValue(Store::PdfWriter, "BypassSaveAs"), "1");
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kPdfWriterKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key, "OutputFile", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\x.pdf"), 9);
    ::RegCloseKey(key);
    EXPECT_EQ(ReadStoredValue(Store::PdfWriter, "OutputFile"), "C:\\x.pdf");
    EXPECT_EQ(ReadStoredValue(Store::Application, "OutputFile"), std::nullopt);
}

// ---------------------------------------------------------------- printers

std::vector<std::string> PrinterNames() {
    std::vector<std::string> names;
    for (const auto& printer : InstalledPrinters()) {
        names.push_back(printer.name);
    }
    return names;
}

std::optional<std::string> DefaultOrNothing() {
    try {
        return DefaultPrinterName();
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

// Puts the real WshNetwork call back when a test has swapped it.
class SeamReset {
public:
    ~SeamReset() { win::OverrideSetDefaultPrinterCall(nullptr); }
};

TEST(Printers, AddedPrintersAreListedWithTheirPortsAndTheDefaultSwitchesAndComesBack) {
    TempHome home;
    AddPrinter({"Office Laser", kDiscardingPort});
    AddPrinter({"Tarnwicke PDF Writer", "CPW2:"});
    const auto printers = InstalledPrinters();
    const Printer added[] = {{"Office Laser", kDiscardingPort}, {"Tarnwicke PDF Writer", "CPW2:"}};
    for (const auto& [name, port] : added) {
        const auto found =
            std::find_if(printers.begin(), printers.end(), [&](const Printer& p) { return p.name == name; });
        ASSERT_NE(found, printers.end()) << name;
        EXPECT_EQ(found->port, port);
    }
    ASSERT_TRUE(MakeDefaultPrinter("Office Laser"));
    EXPECT_EQ(DefaultPrinterName(), "Office Laser");
    EXPECT_TRUE(MakeDefaultPrinter("Tarnwicke PDF Writer"));
    EXPECT_EQ(DefaultPrinterName(), "Tarnwicke PDF Writer");
    for (const std::string refused : {"", "No Such Printer", "Tarnwicke PDF Writer "}) {
        EXPECT_FALSE(MakeDefaultPrinter(refused)) << '"' << refused << '"';
        EXPECT_EQ(DefaultPrinterName(), "Tarnwicke PDF Writer");
    }
    EXPECT_TRUE(MakeDefaultPrinter("Office Laser"));
    EXPECT_EQ(DefaultPrinterName(), "Office Laser");
    RemovePrinter("Tarnwicke PDF Writer");
    RemovePrinter("Tarnwicke PDF Writer"); // a printer that is not there: nothing happens
    const auto names = PrinterNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "Tarnwicke PDF Writer"), 0);
}

TEST(Printers, WithoutADefaultPrinterItsNameCannotBeRead) {
    TempHome home;
    if (DefaultOrNothing()) {
        GTEST_SKIP() << "this system has a default printer of its own";
    }
    try {
        DefaultPrinterName();
        FAIL() << "a default printer was read";
    } catch (const RuntimeError& failure) {
        EXPECT_EQ(failure.Number(), 484);
        EXPECT_STREQ(failure.what(), "Problem getting printer information from the system. Make sure the "
                                     "printer is set up correctly.");
    }
    AddPrinter({"Archive", kDiscardingPort});
    EXPECT_EQ(DefaultPrinterName(), "Archive"); // the first printer added without a default becomes it
    RemovePrinter("Archive");
    EXPECT_EQ(DefaultOrNothing(), std::nullopt);
}

TEST(Printers, TheDefaultIsSwitchedThroughWshNetworkFirstAndTheSpoolerWhereItFails) {
    TempHome home;
    const SeamReset reset;
    AddPrinter({"Office Laser", kDiscardingPort});
    AddPrinter({"Tarnwicke PDF Writer", "CPW2:"});
    ASSERT_TRUE(MakeDefaultPrinter("Office Laser"));
    std::vector<std::string> asked;
    win::OverrideSetDefaultPrinterCall([&](const std::string& name) {
        asked.push_back(name);
        return true; // claims success without touching the spooler
    });
    EXPECT_TRUE(MakeDefaultPrinter("Tarnwicke PDF Writer"));
    EXPECT_EQ(asked, std::vector<std::string>{"Tarnwicke PDF Writer"});
    EXPECT_EQ(DefaultPrinterName(), "Office Laser");

    win::OverrideSetDefaultPrinterCall([&](const std::string& name) {
        asked.push_back(name);
        return false;
    });
    EXPECT_TRUE(MakeDefaultPrinter("Tarnwicke PDF Writer"));
    EXPECT_EQ(DefaultPrinterName(), "Tarnwicke PDF Writer");
    EXPECT_FALSE(MakeDefaultPrinter(""));
    EXPECT_EQ(asked.size(), 2u) << "the empty name never reaches WshNetwork";
}

TEST(Printers, WshNetworkSaysTrueOnlyWhenItSwitchedTheDefault) {
    TempHome home;
    AddPrinter({"Office Laser", kDiscardingPort});
    AddPrinter({"Archive", kDiscardingPort});
    ASSERT_TRUE(MakeDefaultPrinter("Office Laser"));
    // Wine's object is a stub that always fails; Windows's switches the default.
    const bool switched = win::WshNetworkSetDefaultPrinter("Archive");
    EXPECT_EQ(DefaultPrinterName(), switched ? "Archive" : "Office Laser");
    EXPECT_FALSE(win::WshNetworkSetDefaultPrinter("No Such Printer"));
}

TEST(Printers, WithAnEmptyQueueOrNoSuchPrinterTheJobWaitReturnsAtOnce) {
    TempHome home;
    AddPrinter({"Tarnwicke PDF Writer", kDiscardingPort});
    int waits = 0;
    for (const char* name : {"Tarnwicke PDF Writer", "No Such Printer"}) {
        AwaitPrinterJobs(
            name, [] { return false; }, [&](int) { ++waits; }, 60000);
    }
    EXPECT_EQ(waits, 0);
    EXPECT_FALSE(win::SpoolerHasQueuedJobs("Tarnwicke PDF Writer"));
}

// A queue that holds a job until the test empties it.
class QueueReset {
public:
    ~QueueReset() { win::OverrideQueuedJobsCall(nullptr); }
};

TEST(Printers, TheJobWaitLastsWhileThePrinterHoldsAJobUntilItEndsTheOutputCountsOrTimeIsUp) {
    QueueReset reset;
    bool queued = true;
    std::string asked;
    win::OverrideQueuedJobsCall([&](const std::string& name) {
        asked = name;
        return queued;
    });
    const auto never = [] { return false; };
    int waits = 0;
    int waited = 0;
    AwaitPrinterJobs(
        "Tarnwicke PDF Writer", never, [&](int milliseconds) { waited += milliseconds; }, 500);
    EXPECT_EQ(waited, 500) << "the wait is bounded";
    EXPECT_EQ(asked, "Tarnwicke PDF Writer");
    AwaitPrinterJobs(
        "Tarnwicke PDF Writer", [&] { return waits == 2; }, [&](int) { ++waits; }, 60000);
    EXPECT_EQ(waits, 2) << "the output appeared";
    waits = 0;
    AwaitPrinterJobs(
        "Tarnwicke PDF Writer", never, [&](int) { queued = ++waits < 3; }, 60000);
    EXPECT_EQ(waits, 3) << "the job left the queue";
}

TEST(Printers, PrintJobsAreTheTextPrintersBusinessHere) {
    const OpenedJob opened = StartPrintJob("letter.txt");
    EXPECT_EQ(opened.job, nullptr);
    EXPECT_EQ(opened.reason, "no print jobs on this platform");
}

// ---------------------------------------------------------------- processes

std::optional<std::uint32_t> WaitForEnd(std::int64_t id) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::optional<std::uint32_t> code;
    while ((code = ProcessExitCode(id)) == kStillActive && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return code;
}

TEST(Processes, AFailedStartGivesTheWindowsErrorNumber) {
    TempHome home;
    const std::string notAProgram = home.WriteFile("plain.exe", "not a program");
    const struct {
        std::string commandLine;
        int errorNumber;
    } cases[] = {
        {Quoted(home.Root() + "\\missing.exe") + " /p \"x.txt\"", ERROR_FILE_NOT_FOUND},
        {Quoted(notAProgram), ERROR_BAD_EXE_FORMAT},
        {"\"C:\\\xE4\xB8\xAD.exe\"", ERROR_NO_UNICODE_TRANSLATION},
    };
    for (const auto& c : cases) {
        const StartedProcess process = StartCommandLine(c.commandLine, 6);
        EXPECT_FALSE(process.started) << c.commandLine;
        EXPECT_EQ(process.errorNumber, c.errorNumber) << c.commandLine;
    }
}

TEST(Processes, ARunningProcessIsStillActiveUntilItEndsAndIsForgottenWhenClosed) {
    const StartedProcess process =
        StartCommandLine(Quoted(test::FakeChildPath()) + " --sleep-ms 500 --exit 9", 6);
    ASSERT_TRUE(process.started);
    EXPECT_EQ(ProcessExitCode(process.id), kStillActive);
    EXPECT_EQ(WaitForEnd(process.id), 9u);
    CloseProcess(process.id);
    EXPECT_EQ(ProcessExitCode(process.id), std::nullopt);
}

TEST(Processes, AProgramThatEndsWithTheStillActiveCodeIsNotWaitedForForever) {
    const StartedProcess process = StartCommandLine(Quoted(test::FakeChildPath()) + " --exit 259", 6);
    ASSERT_TRUE(process.started);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (ProcessExitCode(process.id) == kStillActive && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ProcessExitCode(process.id), std::nullopt);
    CloseProcess(process.id);
}

// ---------------------------------------------------------------- files and folders

class WindowsFiles : public ::testing::Test {
protected:
    WindowsFiles() : tree(home.Root() + "\\tree") {}

    std::vector<std::string> Names(std::string_view pattern, bool includeFolders = false) const {
        return ListMatchingNames(tree.Root(), pattern, includeFolders);
    }

    TempHome home;
    FixtureTree tree;
};

TEST_F(WindowsFiles, AttributesAreTheFileSystemsOwnBits) {
    tree.Add({"file.txt", "dir/", "hidden/", "readonly.txt"});
    test::SetFileAttributeBits(tree.Path("hidden"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    test::SetFileAttributeBits(tree.Path("readonly.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    test::SetFileAttributeBits(tree.Path("file.txt"), FILE_ATTRIBUTE_ARCHIVE);
    const std::pair<const char*, std::optional<unsigned>> cases[] = {
        {"file.txt", 32u}, {"dir", 16u},          {"dir/", 16u},
        {"hidden", 22u},   {"readonly.txt", 33u}, {"missing", std::nullopt},
    };
    for (const auto& [relative, attributes] : cases) {
        EXPECT_EQ(FileAttributes(tree.Path(relative)), attributes) << relative;
    }
    EXPECT_EQ(FileAttributes(""), std::nullopt);
    test::SetFileAttributeBits(tree.Path("readonly.txt"), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WindowsFiles, ListingsHoldHiddenAndSystemFilesAndFoldersOnlyWhenAsked) {
    tree.Add({"a.txt", "hidden.txt", "system.txt", "sub/"});
    test::SetFileAttributeBits(tree.Path("hidden.txt"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    test::SetFileAttributeBits(tree.Path("system.txt"), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    test::SetFileAttributeBits(tree.Path("sub"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(Names("*"), (std::vector<std::string>{"a.txt", "hidden.txt", "system.txt"}));
    EXPECT_EQ(Names("*", true), (std::vector<std::string>{"a.txt", "hidden.txt", "sub", "system.txt"}));
    const auto entries = ListFolderEntries(tree.Root() + "\\", "*", false);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].attributes, 34u);
    EXPECT_TRUE(entries[1].opensAsFile);
    EXPECT_EQ(ListSubfolderNames(tree.Root()), std::vector<std::string>{"sub"});
    EXPECT_EQ(ListSubfolders(tree.Root())[0].attributes, 22u);
}

TEST_F(WindowsFiles, WildcardsAreMatchedByTheFileSystemItselfIgnoringLetterCase) {
    tree.Add({"A.TXT", "b.txt", "x.tXt", "c.txt.bak", "noext", "notes.md", "ab.txt"});
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"*.txt", {"A.TXT", "ab.txt", "b.txt", "x.tXt"}},
        {"*.TXT", {"A.TXT", "ab.txt", "b.txt", "x.tXt"}},
        {"?.txt", {"A.TXT", "b.txt", "x.tXt"}},
        {"*.*", {"A.TXT", "ab.txt", "b.txt", "c.txt.bak", "noext", "notes.md", "x.tXt"}},
        {"*", {"A.TXT", "ab.txt", "b.txt", "c.txt.bak", "noext", "notes.md", "x.tXt"}},
        {"*.bak", {"c.txt.bak"}},
        {"notes.*", {"notes.md"}},
        {"*..txt", {}},
        {"*.doc", {}},
    };
    for (const auto& [pattern, names] : cases) {
        EXPECT_EQ(Names(pattern), names) << pattern;
    }
}

TEST_F(WindowsFiles, ListingsComeInNtfsOrderOnEveryVolume) {
    tree.Add({"b", "a", "_x", "Z", "\xC3\xA9", "~t", "10", "9", "B2"});
    EXPECT_EQ(Names("*"), (std::vector<std::string>{"10", "9", "a", "b", "B2", "Z", "_x", "~t", "\xC3\xA9"}));
}

TEST_F(WindowsFiles, ANameOutsideTheCodePageIsListedWithQuestionMarksAndNeverOpensAnotherFile) {
    tree.Add({"Ax.txt", "\xC4\x80x.txt"}); // "Ā" has no code in Windows-1252; its look-alike is "A"
    const auto entries = ListFolderEntries(tree.Root(), "*", false);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "Ax.txt");
    EXPECT_TRUE(entries[0].opensAsFile);
    EXPECT_EQ(entries[1].name, "?x.txt");
    EXPECT_FALSE(entries[1].opensAsFile);
    EXPECT_FALSE(CanOpenExistingFile(tree.Path("\xC4\x80x.txt")));
    EXPECT_EQ(FileAttributes(tree.Path("\xC4\x80x.txt")), std::nullopt);
}

TEST_F(WindowsFiles, FilesOpenForTheExistenceTestEvenWhenLockedButFoldersNever) {
    tree.Add({"file.txt", "locked.txt", "dir/"});
    const HANDLE locked = ::CreateFileW(test::FsPath(tree.Path("locked.txt")).c_str(), GENERIC_READ, 0,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CanOpenExistingFile(tree.Path("file.txt")));
    EXPECT_TRUE(CanOpenExistingFile(tree.Path("locked.txt"))); // no access asked: no sharing conflict
    EXPECT_FALSE(CanOpenExistingFile(tree.Path("dir")));
    EXPECT_FALSE(CanOpenExistingFile(tree.Path("missing")));
    EXPECT_FALSE(CanOpenExistingFile(""));
    ::CloseHandle(locked);
}

TEST_F(WindowsFiles, ListingAMissingFolderOrAFileFailsWithPathNotFound) {
    tree.Add({"file.txt", "empty/"});
    for (const char* relative : {"missing", "file.txt"}) {
        try {
            ListSubfolders(tree.Path(relative));
            ADD_FAILURE() << relative << " was listed";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Number(), 76) << relative;
        }
        EXPECT_TRUE(ListFolderEntries(tree.Path(relative), "*", true).empty()) << relative;
    }
    EXPECT_TRUE(ListSubfolders(tree.Path("empty")).empty());
}

TEST_F(WindowsFiles, IdentitiesNameTheFolderOrTheFileAsItIsNow) {
    tree.Add({"dir/", "other/", "file.txt"});
    EXPECT_EQ(IdentifyFolder(tree.Path("dir")), IdentifyFolder(tree.Path("DIR/")));
    EXPECT_NE(IdentifyFolder(tree.Path("dir")), IdentifyFolder(tree.Path("other")));
    EXPECT_EQ(IdentifyFolder(tree.Path("file.txt")), std::nullopt);
    const auto before = FileIdentity(tree.Path("file.txt"));
    ASSERT_TRUE(before.has_value());
    EXPECT_EQ(FileIdentity(tree.Path("file.txt")), before);
    tree.AddFile("file.txt", "rewritten and longer");
    EXPECT_NE(FileIdentity(tree.Path("file.txt")), before);
    EXPECT_EQ(FileIdentity(tree.Path("dir")), std::nullopt);
    EXPECT_EQ(FileIdentity(tree.Path("missing")), std::nullopt);
}

TEST_F(WindowsFiles, ForcedDeletesRemoveReadOnlyFilesAndCopiesReplaceThem) {
    const std::string target = tree.AddFile("target.txt", "old");
    tree.AddFile("source.txt", "new");
    test::SetFileAttributeBits(target, FILE_ATTRIBUTE_READONLY);
    CopyFileReplacing(tree.Path("source.txt"), target);
    EXPECT_EQ(test::ReadFile(target), "new");
    try {
        CopyFileReplacing(tree.Path("missing.txt"), target);
        ADD_FAILURE() << "a missing source was copied";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Number(), 53);
    }
    test::SetFileAttributeBits(target, FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(DeleteFileQuietly(target));
    EXPECT_TRUE(ForceDeleteFile(target));
    EXPECT_FALSE(HasModificationTime(target));
    EXPECT_FALSE(ForceDeleteFile(tree.Root()));
    EXPECT_FALSE(ForceDeleteFile(target));
}

TEST(Folders, TheProgramsFolderAndTheTempFolderAreTheProcesssOwn) {
    TempHome home;
    EXPECT_EQ(ProgramFolder(), test::RunningProgramFolder());
    OverrideProgramFolder("C:\\Program Files\\Plumavert");
    EXPECT_EQ(ProgramFolder(), "C:\\Program Files\\Plumavert");
    OverrideProgramFolder("");
    EXPECT_EQ(PrivateTempFolder(), home.TempFolder());
    test::SetEnvironment("TEMP", home.Root() + "\\made\\on\\demand");
    EXPECT_EQ(PrivateTempFolder(), home.Root() + "\\made\\on\\demand");
    EXPECT_EQ(FileAttributes(home.Root() + "\\made\\on\\demand"), 16u);
    test::SetEnvironment("TEMP", std::nullopt);
    EXPECT_EQ(PrivateTempFolder(), ""); // the copy then goes to "\temp.txt"
}

TEST(Folders, TheDesktopIsAFolderOfTheUser) {
    const std::string desktop = DesktopFolder();
    ASSERT_FALSE(desktop.empty());
    EXPECT_NE(desktop.find("Desktop"), std::string::npos) << desktop;
    EXPECT_FALSE(HomeFolder().empty());
}

} // namespace
} // namespace pf::platform

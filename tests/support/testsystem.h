#pragma once

// The few operating-system services the test helpers need, one implementation per system
// (testsystem_posix.cpp, testsystem_windows.cpp), and paths that std::filesystem reads as UTF-8 on both.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pf::test {

// A UTF-8 path text as std::filesystem takes it (a narrow text is read in the ANSI code page on Windows).
std::filesystem::path FsPath(const std::string& utf8);

// A path as UTF-8 text with the system's separators.
std::string PathText(const std::filesystem::path& path);

// Turns the "/" of a path written for tests into the system's separator.
std::string NativeSeparators(std::string path);

// A fresh, empty folder under the system's temporary folder.
std::string MakeTemporaryFolder();

// The value of an environment variable, empty when it is not set.
std::optional<std::string> GetEnvironment(const std::string& name);

// Sets an environment variable, or removes it when the value is empty.
void SetEnvironment(const std::string& name, const std::optional<std::string>& value);

// Variables naming the temporary folder that a temporary home points at its own folder.
std::vector<std::string> TemporaryFolderVariables();

// Removes what the program's per-user stores keep outside any folder: the registry keys on Windows.
// On Linux the stores are files under XDG_CONFIG_HOME, which a temporary home replaces.
void ClearUserStores();

// The folder of the running test program.
std::string RunningProgramFolder();

// Sets, or removes when the value is empty, the default value of a class registration key, which the
// Windows platform layer reads under HKEY_CLASSES_ROOT. Linux tests write their classes.conf instead.
void SetClassRegistration(const std::string& subKey, const std::optional<std::string>& value);

// Makes every later write to the program's settings store fail: on Linux by pointing XDG_CONFIG_HOME
// below a file (the given one), on Windows with a volatile registry key that refuses lasting sub-keys.
void BlockUserStores(const std::string& blockerFile);

// Gives back, when it goes, what a test changed in the printers that every program of the user shares:
// on Windows the printers the test added are removed and the default printer is restored, and a
// PostScript driver is installed for tests that add printers (Wine has none of its own). On Linux the
// printer table lives in the temporary home, so there is nothing to give back.
class PrinterSandbox {
public:
    PrinterSandbox();
    ~PrinterSandbox();
    PrinterSandbox(const PrinterSandbox&) = delete;
    PrinterSandbox& operator=(const PrinterSandbox&) = delete;

private:
    std::vector<std::string> m_printers;
    std::optional<std::string> m_default;
};

// Sets a path's Windows attribute bits (2 hidden, 4 system, ...); throws where the system has none.
void SetFileAttributeBits(const std::string& path, unsigned attributes);

// The root of a drive set aside for tests ("T:\\"), named by the variable PF_TEST_DRIVE; `make
// test-windows` maps it to an empty folder of the build. Empty where there is none. Whatever a test puts
// on the drive is removed when the object goes.
class TestDrive {
public:
    TestDrive();
    ~TestDrive();
    TestDrive(const TestDrive&) = delete;
    TestDrive& operator=(const TestDrive&) = delete;

    const std::optional<std::string>& Root() const { return m_root; }

private:
    std::optional<std::string> m_root;
};

// Makes a named pipe; throws where the system has none.
void MakeFifo(const std::string& path);

} // namespace pf::test

#include "testsystem.h"

#include "platform.h"
#include "widetext.h"

#include <windows.h>

#include <sddl.h>
#include <winspool.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace pf::test {

namespace {

// The registry keys of the program's stores, each removed with everything below it.
constexpr const char* kStoreKeys[] = {"Software\\VB and VBA Program Settings\\Tarnwicke",
                                      "Software\\Tarnwicke PDF Writer"};

std::wstring Wide(const std::string& utf8) {
    return platform::win::ToWide(utf8);
}

std::string Utf8(const std::wstring& wide) {
    return platform::win::FromWide(wide);
}

} // namespace

fs::path FsPath(const std::string& utf8) {
    return fs::path(Wide(utf8));
}

std::string PathText(const fs::path& path) {
    return Utf8(fs::path(path).make_preferred().wstring());
}

std::string NativeSeparators(std::string path) {
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

std::string MakeTemporaryFolder() {
    static std::atomic<unsigned> counter{0};
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring name = L"pf-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(counter++) + L"-" + std::to_wstring(::GetTickCount());
        const fs::path folder = base / name;
        if (::CreateDirectoryW(folder.c_str(), nullptr)) {
            return PathText(folder);
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

std::optional<std::string> GetEnvironment(const std::string& name) {
    const std::wstring wideName = Wide(name);
    const DWORD size = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0) {
        return std::nullopt;
    }
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(wideName.c_str(), value.data(), size));
    return Utf8(value);
}

void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
    // Both the C library's copy and the process's own block, which the platform layer reads.
    ::_wputenv_s(Wide(name).c_str(), value ? Wide(*value).c_str() : L"");
    ::SetEnvironmentVariableW(Wide(name).c_str(), value ? Wide(*value).c_str() : nullptr);
}

std::vector<std::string> TemporaryFolderVariables() {
    return {"TEMP", "TMP"};
}

void ClearUserStores() {
    for (const char* key : kStoreKeys) {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, key);
        ::RegDeleteKeyA(HKEY_CURRENT_USER, key);
    }
}

std::string RunningProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD size = 0;
    while ((size = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) >=
           path.size()) {
        path.resize(path.size() * 2);
    }
    path.resize(size);
    return PathText(fs::path(path).parent_path());
}

void SetClassRegistration(const std::string& subKey, const std::optional<std::string>& value) {
    if (!value) {
        ::RegDeleteTreeA(HKEY_CLASSES_ROOT, subKey.c_str());
        ::RegDeleteKeyA(HKEY_CLASSES_ROOT, subKey.c_str());
        return;
    }
    HKEY key = nullptr;
    if (::RegCreateKeyA(HKEY_CLASSES_ROOT, subKey.c_str(), &key) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot register " + subKey);
    }
    ::RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                     static_cast<DWORD>(value->size() + 1));
    ::RegCloseKey(key);
}

void BlockUserStores(const std::string& /*blockerFile*/) {
    ClearUserStores();
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kStoreKeys[0], 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                          nullptr, &key, nullptr) == ERROR_SUCCESS) {
        ::RegCloseKey(key);
    }
}

namespace {

constexpr const char* kWinePostScriptDriver = "Wine PostScript Driver";

bool IsDriverInstalled(const char* name) {
    DWORD needed = 0;
    DWORD count = 0;
    ::EnumPrinterDriversA(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    if (!::EnumPrinterDriversA(nullptr, nullptr, 1, buffer.data(), needed, &needed, &count)) {
        return false;
    }
    const auto* drivers = reinterpret_cast<const DRIVER_INFO_1A*>(buffer.data());
    return std::any_of(drivers, drivers + count,
                       [&](const DRIVER_INFO_1A& d) { return std::string(d.pName) == name; });
}

// Wine's PostScript driver is part of Wine, but installed only for the printers it finds on the host.
// Wine's spooler finds its driver file among Wine's own; the description it reads is a minimal one of
// ours. Where the driver is not Wine's, the spooler refuses, and tests use a PostScript driver that
// the system has installed.
void InstallWinePostScriptDriver() {
    if (IsDriverInstalled(kWinePostScriptDriver)) {
        return;
    }
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    std::string driver = std::string(system) + "\\wineps.drv";
    const std::string folder = MakeTemporaryFolder();
    std::string description = folder + "\\generic.ppd";
    // A4 paper with a quarter inch that the device cannot print on at each edge, as real printers have.
    std::ofstream(FsPath(description))
        << "*PPD-Adobe: \"4.3\"\n*ModelName: \"Generic PostScript\"\n"
           "*NickName: \"Generic PostScript\"\n*LanguageLevel: \"2\"\n"
           "*DefaultPageSize: A4\n*PageSize A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
           "*DefaultPageRegion: A4\n*PageRegion A4: \"<</PageSize[595 842]>>setpagedevice\"\n"
           "*DefaultImageableArea: A4\n*ImageableArea A4: \"18 18 577 824\"\n"
           "*DefaultPaperDimension: A4\n*PaperDimension A4: \"595 842\"\n";
    std::string name = kWinePostScriptDriver;
    char dataType[] = "RAW";
    DRIVER_INFO_3A info{};
    info.cVersion = 3;
    info.pName = name.data();
    info.pDriverPath = driver.data();
    info.pDataFile = description.data();
    info.pConfigFile = driver.data();
    info.pDefaultDataType = dataType;
    ::AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&info),
                          APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY);
    std::error_code ec;
    fs::remove_all(FsPath(folder), ec); // the spooler keeps its own copy
}

} // namespace

PrinterSandbox::PrinterSandbox() {
    InstallWinePostScriptDriver();
    for (const auto& printer : platform::InstalledPrinters()) {
        m_printers.push_back(printer.name);
    }
    try {
        m_default = platform::DefaultPrinterName();
    } catch (const std::exception&) {
        m_default.reset();
    }
}

PrinterSandbox::~PrinterSandbox() {
    try {
        for (const auto& printer : platform::InstalledPrinters()) {
            if (std::find(m_printers.begin(), m_printers.end(), printer.name) == m_printers.end()) {
                platform::RemovePrinter(printer.name);
            }
        }
        if (m_default) {
            platform::MakeDefaultPrinter(*m_default);
        }
    } catch (const std::exception&) {
        // A printer that cannot be removed stays; the next sandbox leaves it alone.
    }
}

// Takes write access from everyone, keeping every other right (deleting included). Wine derives a
// folder's read-only bit from the Unix permissions, which follow such a security descriptor.
void DenyWriting(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const bool done = ::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                          L"D:P(A;;0x1F01F9;;;WD)", SDDL_REVISION_1, &descriptor, nullptr) &&
                      ::SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor);
    ::LocalFree(descriptor);
    if (!done) {
        throw std::runtime_error("cannot take write access from a folder");
    }
}

void SetFileAttributeBits(const std::string& path, unsigned attributes) {
    const std::wstring wide = FsPath(path).wstring();
    if (!::SetFileAttributesW(wide.c_str(), attributes)) {
        throw std::runtime_error("cannot set the attributes of " + path);
    }
    // Wine keeps only hidden and system in its own store and ignores read-only for folders.
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
        (::GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_READONLY) == 0) {
        DenyWriting(wide);
    }
}

TestDrive::TestDrive() {
    const auto drive = GetEnvironment("PF_TEST_DRIVE");
    if (drive && !drive->empty() &&
        ::GetFileAttributesW(FsPath(*drive + "\\").c_str()) != INVALID_FILE_ATTRIBUTES) {
        m_root = *drive + "\\";
    }
}

TestDrive::~TestDrive() {
    if (!m_root) {
        return;
    }
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(FsPath(*m_root), ec)) {
        ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(entry.path(), ec);
    }
    ::SetFileAttributesW(FsPath(*m_root).c_str(), FILE_ATTRIBUTE_DIRECTORY);
}

void MakeFifo(const std::string& path) {
    throw std::runtime_error("Windows has no FIFOs in its file system: " + path);
}

} // namespace pf::test

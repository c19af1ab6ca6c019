#include "testsystem.h"

#include <cstdlib>
#include <stdexcept>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace pf::test {

fs::path FsPath(const std::string& utf8) {
    return fs::path(utf8);
}

std::string PathText(const fs::path& path) {
    return path.string();
}

std::string NativeSeparators(std::string path) {
    return path;
}

std::string MakeTemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "pf-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    return pattern;
}

std::optional<std::string> GetEnvironment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

std::vector<std::string> TemporaryFolderVariables() {
    return {};
}

void ClearUserStores() {}

std::string RunningProgramFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path().string();
}

void SetClassRegistration(const std::string& subKey, const std::optional<std::string>& /*value*/) {
    throw std::logic_error("Linux keeps class registrations in classes.conf: " + subKey);
}

void BlockUserStores(const std::string& blockerFile) {
    SetEnvironment("XDG_CONFIG_HOME", blockerFile + "/config");
}

PrinterSandbox::PrinterSandbox() = default;
PrinterSandbox::~PrinterSandbox() = default;

void SetFileAttributeBits(const std::string& path, unsigned /*attributes*/) {
    throw std::logic_error("Linux files have no attribute bits: " + path);
}

TestDrive::TestDrive() = default;
TestDrive::~TestDrive() = default;

void MakeFifo(const std::string& path) {
    if (::mkfifo(path.c_str(), 0600) != 0) {
        throw std::runtime_error("cannot make fixture FIFO " + path);
    }
}

} // namespace pf::test

#include "temphome.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace pf::test {

namespace {
constexpr const char* kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"};
}

TempHome::TempHome() {
    std::string pattern = (fs::temp_directory_path() / "pf-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary home");
    }
    m_root = pattern;
    fs::create_directories(ConfigHome());
    fs::create_directories(RuntimeDir());
    ::chmod(RuntimeDir().c_str(), 0700);
    for (const char* name : kVariables) {
        const char* old = std::getenv(name);
        m_savedEnv.emplace_back(name, old != nullptr ? old : std::string("\x01"));
    }
    ::setenv("HOME", Home().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", RuntimeDir().c_str(), 1);
}

TempHome::~TempHome() {
    for (const auto& [name, value] : m_savedEnv) {
        if (value == "\x01") {
            ::unsetenv(name.c_str());
        } else {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
    }
    std::error_code ec;
    // Folders a test made unreadable must be opened again before they can be removed.
    for (auto it = fs::recursive_directory_iterator(m_root, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
    fs::remove_all(m_root, ec);
}

std::string TempHome::MakeFolder(const std::string& relative) const {
    const fs::path path = fs::path(m_root) / relative;
    fs::create_directories(path);
    return path.string();
}

std::string TempHome::WriteFile(const std::string& relative, const std::string& contents) const {
    const fs::path path = fs::path(m_root) / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
    return path.string();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string BinFolder() {
    const char* bin = std::getenv("PF_BIN_DIR");
    return bin != nullptr ? bin : "";
}

} // namespace pf::test

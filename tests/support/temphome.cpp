#include "temphome.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace pf::test {

TempHome::TempHome() : m_root(MakeTemporaryFolder()) {
    fs::create_directories(FsPath(ConfigHome()));
    fs::create_directories(FsPath(SystemConfig()));
    fs::create_directories(FsPath(RuntimeDir()));
    fs::create_directories(FsPath(TempFolder()));
    fs::permissions(FsPath(RuntimeDir()), fs::perms::owner_all, fs::perm_options::replace);
    std::vector<std::pair<std::string, std::string>> variables = {{"HOME", Home()},
                                                                  {"XDG_CONFIG_HOME", ConfigHome()},
                                                                  {"XDG_CONFIG_DIRS", SystemConfig()},
                                                                  {"XDG_RUNTIME_DIR", RuntimeDir()}};
    for (const std::string& name : TemporaryFolderVariables()) {
        variables.emplace_back(name, TempFolder());
    }
    for (const auto& [name, value] : variables) {
        m_savedEnv.emplace_back(name, GetEnvironment(name));
        SetEnvironment(name, value);
    }
    ClearUserStores();
}

TempHome::~TempHome() {
    ClearUserStores();
    for (const auto& [name, value] : m_savedEnv) {
        SetEnvironment(name, value);
    }
    std::error_code ec;
    // Folders a test made unreadable must be opened again before they can be removed.
    for (auto it = fs::recursive_directory_iterator(FsPath(m_root),
                                                    fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
    fs::remove_all(FsPath(m_root), ec);
}

std::string TempHome::MakeFolder(const std::string& relative) const {
    const std::string path = m_root + NativeSeparators("/" + relative);
    fs::create_directories(FsPath(path));
    return path;
}

std::string TempHome::WriteFile(const std::string& relative, const std::string& contents) const {
    const std::string path = m_root + NativeSeparators("/" + relative);
    fs::create_directories(FsPath(path).parent_path());
    std::ofstream(FsPath(path), std::ios::binary) << contents;
    return path;
}

void TempHome::BlockUserStores() const {
    test::BlockUserStores(WriteFile("blocker", ""));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(FsPath(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string BinFolder() {
    return GetEnvironment("PF_BIN_DIR").value_or("");
}

} // namespace pf::test

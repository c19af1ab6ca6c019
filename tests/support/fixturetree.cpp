#include "fixturetree.h"

#include "testsystem.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace pf::test {

FixtureTree::FixtureTree(std::string root) : m_root(NativeSeparators(std::move(root))) {
    fs::create_directories(FsPath(m_root));
}

std::string FixtureTree::Path(const std::string& relative) const {
    return relative.empty() ? m_root : m_root + NativeSeparators("/" + relative);
}

void FixtureTree::Add(std::initializer_list<std::string> relatives) const {
    for (const std::string& relative : relatives) {
        if (!relative.empty() && relative.back() == '/') {
            AddFolder(relative);
        } else {
            AddFile(relative, relative);
        }
    }
}

std::string FixtureTree::AddFile(const std::string& relative, const std::string& contents) const {
    const fs::path path = FsPath(Path(relative));
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << contents;
    if (!out) {
        throw std::runtime_error("cannot write fixture file " + Path(relative));
    }
    return Path(relative);
}

std::string FixtureTree::AddFolder(const std::string& relative) const {
    const std::string path = Path(relative);
    fs::create_directories(FsPath(path));
    return path;
}

std::string FixtureTree::AddLink(const std::string& relative, const std::string& target) const {
    const fs::path path = FsPath(Path(relative));
    fs::create_directories(path.parent_path());
    fs::create_symlink(FsPath(target), path);
    return Path(relative);
}

std::string FixtureTree::AddFifo(const std::string& relative) const {
    const fs::path path = FsPath(Path(relative));
    fs::create_directories(path.parent_path());
    MakeFifo(Path(relative));
    return Path(relative);
}

void FixtureTree::Remove(const std::string& relative) const {
    fs::remove_all(FsPath(Path(relative)));
}

void FixtureTree::SetMode(const std::string& relative, unsigned mode) const {
    std::error_code ec;
    fs::permissions(FsPath(Path(relative)), static_cast<fs::perms>(mode), fs::perm_options::replace, ec);
    if (ec) {
        throw std::runtime_error("cannot change the mode of " + Path(relative));
    }
}

} // namespace pf::test

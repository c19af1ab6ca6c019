// Operations that every backend builds the same way on top of its own listing.

#include "platform.h"

namespace pf::platform {

namespace {

std::vector<std::string> NamesOf(std::vector<FolderEntry> entries) {
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (auto& entry : entries) {
        names.push_back(std::move(entry.name));
    }
    return names;
}

} // namespace

std::vector<std::string> ListMatchingNames(const std::string& folder, std::string_view pattern,
                                           bool includeFolders) {
    return NamesOf(ListFolderEntries(folder, pattern, includeFolders));
}

std::vector<std::string> ListSubfolderNames(const std::string& folder) {
    return NamesOf(ListSubfolders(folder));
}

std::string InProgramFolder(std::string_view relative) {
    return ProgramFolder() + PathSeparator() + std::string(relative);
}

bool IsExistingFolder(const std::string& path) {
    const auto attributes = FileAttributes(path);
    return attributes && (*attributes & attr::kDirectory) != 0;
}

} // namespace pf::platform

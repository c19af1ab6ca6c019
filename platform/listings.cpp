// Operations that every backend builds the same way on top of its own listing.

#include "platform.h"

namespace pf::platform {

std::vector<std::string> ListMatchingNames(const std::string& folder, std::string_view pattern,
                                           bool includeFolders) {
    std::vector<std::string> names;
    for (auto& entry : ListFolderEntries(folder, pattern, includeFolders)) {
        names.push_back(std::move(entry.name));
    }
    return names;
}

} // namespace pf::platform

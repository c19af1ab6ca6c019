#include "pathrules.h"
#include "platform.h"

namespace pf::platform::detail {

std::string CollapseSeparators(std::string_view path, char separator, std::string_view prefix) {
    std::size_t start = 0;
    std::string out;
    out.reserve(path.size() + prefix.size());
    if (!path.empty() && path.front() == separator) {
        start = path.find_first_not_of(separator);
        if (start == std::string_view::npos) {
            start = path.size();
        }
        out += prefix;
    }
    for (std::size_t i = start; i < path.size(); ++i) {
        out += path[i];
        if (path[i] == separator && i + 1 < path.size() && path[i + 1] == separator) {
            ++i; // the pair becomes one; the scan goes on after it
        }
    }
    return out;
}

} // namespace pf::platform::detail

namespace pf::platform {

std::string_view FileNamePart(std::string_view path) {
    const auto separator = path.rfind(PathSeparator());
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::string_view FolderPart(std::string_view path) {
    return path.substr(0, path.size() - FileNamePart(path).size());
}

std::string ParentFolder(std::string_view path) {
    const std::string_view folder = FolderPart(path);
    if (folder.empty() || IsRootPath(folder)) {
        return std::string(folder);
    }
    return std::string(folder.substr(0, folder.size() - 1));
}

} // namespace pf::platform

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
    // Copies the text up to and including the first separator of each pair; the scan goes on after the
    // pair. Whole runs are copied at once: every listed file's path comes through here.
    const std::string pair(2, separator);
    while (start < path.size()) {
        const auto found = path.find(pair, start);
        if (found == std::string_view::npos) {
            out.append(path.substr(start));
            break;
        }
        out.append(path.substr(start, found + 1 - start));
        start = found + 2;
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

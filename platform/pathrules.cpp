#include "pathrules.h"

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

#pragma once

// Text rules that both backends share; only the backends include this header.

#include <string>
#include <string_view>

namespace pf::platform::detail {

// Collapses each pair of separators in one left-to-right pass without overlap (three become two, four
// become two); a leading run of separators becomes the platform's prefix.
std::string CollapseSeparators(std::string_view path, char separator, std::string_view prefix);

// "*" matches any run of characters, "?" exactly one; both texts are already folded to one case.
template <typename Char>
bool GlobMatch(std::basic_string_view<Char> pattern, std::basic_string_view<Char> name) {
    constexpr auto kNone = std::basic_string_view<Char>::npos;
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = kNone;
    std::size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == Char('?') || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == Char('*')) {
            star = p++;
            resume = n;
        } else if (star != kNone) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == Char('*')) {
        ++p;
    }
    return p == pattern.size();
}

// Windows wildcard matching on folded texts: a final ".*" also stands for no extension at all, so "*.*"
// and "notes.*" find "notes".
template <typename Char>
bool MatchWildcard(std::basic_string_view<Char> pattern, std::basic_string_view<Char> name) {
    const bool endsInAnyExtension =
        pattern.size() >= 2 && pattern[pattern.size() - 2] == Char('.') && pattern.back() == Char('*');
    return GlobMatch(pattern, name) ||
           (endsInAnyExtension && GlobMatch(pattern.substr(0, pattern.size() - 2), name));
}

} // namespace pf::platform::detail

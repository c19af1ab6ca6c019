// Text rules of the Linux backend: "/" paths, Windows-1252 as the single-byte code page and numbers read
// in the user's locale.

#include "pathrules.h"
#include "platform.h"

#include <array>
#include <cctype>
#include <clocale>
#include <cmath>
#include <cstdlib>

namespace pf::platform {

namespace {

// Windows-1252 codes 0x80 to 0x9F; the five codes Windows leaves unassigned map to the C1 controls.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr int kUnmapped = 63;

} // namespace

char PathSeparator() {
    return '/';
}

std::string ProgramFileName(const std::string& name) {
    return name;
}

std::size_t MaxPathLength() {
    return 4096;
}

std::string NormalizeSeparators(std::string_view path) {
    return detail::CollapseSeparators(path, '/', "/");
}

bool IsRootPath(std::string_view path) {
    return !path.empty() && path.find_first_not_of('/') == std::string_view::npos;
}

int SingleByteCode(char32_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) {
        return static_cast<int>(ch);
    }
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == ch) {
            return static_cast<int>(0x80 + i);
        }
    }
    return kUnmapped;
}

char32_t CharFromSingleByte(int code) {
    if (code >= 0x80 && code <= 0x9F) {
        return kCp1252High[static_cast<std::size_t>(code - 0x80)];
    }
    return static_cast<char32_t>(code & 0xFF);
}

std::optional<double> ParseLocaleNumber(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    const auto last = text.find_last_not_of(" \t");
    const std::string trimmed(text.substr(first, last - first + 1));
    // Only digits, signs, decimal and exponent marks: strtod alone would also take "inf", "nan" and hex.
    for (char c : trimmed) {
        const auto u = static_cast<unsigned char>(c);
        if (!std::isdigit(u) && c != '+' && c != '-' && c != 'e' && c != 'E' && c != '.' && c != ',') {
            return std::nullopt;
        }
    }
    static const locale_t userLocale = [] {
        locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
        return loc != static_cast<locale_t>(nullptr)
                   ? loc
                   : newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    }();
    char* end = nullptr;
    const double value = strtod_l(trimmed.c_str(), &end, userLocale);
    if (end == trimmed.c_str() || *end != '\0' || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace pf::platform

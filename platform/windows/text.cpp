// Text rules of the Windows backend: "\" paths with the network-path prefix, the ANSI code page as the
// single-byte code page, and numbers read with the user's decimal separator.

#include "pathrules.h"
#include "platform.h"
#include "win32.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace pf::platform {

namespace {

constexpr int kUnmapped = 63;

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsAllSeparators(std::string_view text) {
    for (char c : text) {
        if (!IsSeparator(c)) {
            return false;
        }
    }
    return true;
}

// "\\server\share" followed by nothing but separators.
bool IsShareRoot(std::string_view path) {
    if (path.size() < 5 || path[0] != '\\' || path[1] != '\\') {
        return false;
    }
    const std::string_view rest = path.substr(2);
    const std::size_t serverEnd = rest.find_first_of("\\/");
    if (serverEnd == 0 || serverEnd == std::string_view::npos) {
        return false;
    }
    const std::string_view share = rest.substr(serverEnd + 1);
    const std::size_t shareEnd = share.find_first_of("\\/");
    return shareEnd != 0 && !share.empty() &&
           (shareEnd == std::string_view::npos || IsAllSeparators(share.substr(shareEnd)));
}

// The user's decimal separator ("." when the locale cannot be read).
std::string DecimalSeparator() {
    char buffer[8] = {};
    const int size = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer);
    return size > 1 ? std::string(buffer, static_cast<std::size_t>(size - 1)) : std::string(".");
}

} // namespace

char PathSeparator() {
    return '\\';
}

std::string ProgramFileName(const std::string& name) {
    return name + ".exe";
}

std::size_t MaxPathLength() {
    return MAX_PATH;
}

std::string NormalizeSeparators(std::string_view path) {
    return detail::CollapseSeparators(path, '\\', "\\\\");
}

bool IsRootPath(std::string_view path) {
    if (path.empty()) {
        return false;
    }
    if (IsAllSeparators(path)) {
        return true; // the root of the current drive
    }
    if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':') {
        return IsAllSeparators(path.substr(2));
    }
    return IsShareRoot(path);
}

int SingleByteCode(char32_t ch) {
    if (ch < 0x80) {
        return static_cast<int>(ch);
    }
    const auto bytes = win::ToAnsi(EncodeUtf8(std::u32string(1, ch)));
    if (!bytes || bytes->empty()) {
        return kUnmapped;
    }
    if (bytes->size() == 1) {
        return static_cast<unsigned char>(bytes->front());
    }
    // A character of a multi-byte code page: its first two bytes read as one signed 16-bit number, which
    // is negative because every lead byte has its high bit set.
    const auto word = static_cast<std::uint16_t>((static_cast<unsigned char>((*bytes)[0]) << 8) |
                                                 static_cast<unsigned char>((*bytes)[1]));
    return static_cast<std::int16_t>(word);
}

char32_t CharFromSingleByte(int code) {
    char bytes[2] = {};
    int length = 1;
    if (code >= 0 && code <= 0xFF) {
        bytes[0] = static_cast<char>(code);
    } else {
        const auto word = static_cast<std::uint16_t>(code);
        bytes[0] = static_cast<char>(word >> 8);
        bytes[1] = static_cast<char>(word & 0xFF);
        length = 2;
    }
    wchar_t wide[2] = {};
    const int size = ::MultiByteToWideChar(CP_ACP, 0, bytes, length, wide, 2);
    if (size <= 0) {
        return U'\uFFFD';
    }
    if (size == 2 && wide[0] >= 0xD800 && wide[0] <= 0xDBFF) {
        return 0x10000 + ((static_cast<char32_t>(wide[0]) - 0xD800) << 10) +
               (static_cast<char32_t>(wide[1]) - 0xDC00);
    }
    return static_cast<char32_t>(wide[0]);
}

std::optional<double> ParseLocaleNumber(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    const auto last = text.find_last_not_of(" \t");
    std::string_view trimmed = text.substr(first, last - first + 1);
    // The user's decimal separator becomes "."; anything but digits, signs and exponent marks is refused,
    // so "inf", "nan" and hexadecimal never pass.
    const std::string decimal = DecimalSeparator();
    std::string plain;
    for (std::size_t i = 0; i < trimmed.size(); ++i) {
        const char c = trimmed[i];
        if (trimmed.substr(i, decimal.size()) == decimal) {
            plain += '.';
            i += decimal.size() - 1;
        } else if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == 'e' || c == 'E') {
            plain += c;
        } else {
            return std::nullopt;
        }
    }
    std::string_view number = plain;
    if (number.size() > 1 && number.front() == '+' && number[1] != '-' && number[1] != '+') {
        number.remove_prefix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace pf::platform

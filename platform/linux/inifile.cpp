#include "inifile.h"

#include "childprocess.h"
#include "descriptor.h"
#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace pf::platform {

namespace {

constexpr const char* kHex = "0123456789ABCDEF";

// Keys and values are stored on one line each: backslash, "=", a leading "[" or ";" and every control
// character are written as escapes so any text survives the round trip.
std::string Escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '=' || c < 0x20 || c == 0x7F || (i == 0 && (c == '[' || c == ';' || c == ' '))) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else if (c == ' ' && i + 1 == text.size()) {
            out += "\\x20";
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == '\\' && i + 1 < text.size();
        if (escape && text[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (escape && text[i + 1] == 'x' && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 &&
                   HexDigit(text[i + 3]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The section of that name in a list of sections, or null.
template <typename Sections> auto FindSection(Sections& sections, const std::string& name) {
    decltype(&sections.front()) found = nullptr;
    for (auto& section : sections) {
        if (section.name == name) {
            found = &section;
            break;
        }
    }
    return found;
}

// The largest state file read: far beyond any table or record the programs write, and small enough that
// a file that is not one (a link to a device, say) cannot exhaust the memory.
constexpr std::size_t kMaxFileSize = std::size_t{64} << 20;

// Reads a whole state file without ever blocking (a FIFO in its place) or growing without bound (a link
// to /dev/zero): it must be a regular file of at most kMaxFileSize bytes. Empty when there is no file.
std::optional<std::string> ReadStateFile(const std::string& path) {
    const auto fail = [&](int number, const std::string& reason) {
        return RuntimeError(number, "cannot read " + path + ": " + reason);
    };
    const auto failed = [&](int error) { return fail(ErrorNumberFromErrno(error), std::strerror(error)); };
    const auto tooLarge = [&] {
        return fail(err::kPathFileAccessError,
                    "it is larger than " + std::to_string(kMaxFileSize >> 20) + " MB");
    };
    const detail::Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.Get() < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return std::nullopt;
        }
        throw failed(error);
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        throw failed(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        throw fail(err::kPathFileAccessError,
                   S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file");
    }
    if (st.st_size > static_cast<off_t>(kMaxFileSize)) {
        throw tooLarge();
    }
    // The file may have grown since: it is read to its end, within the limit.
    int error = 0;
    std::string text = detail::ReadAll(fd.Get(), kMaxFileSize, error);
    if (error != 0) {
        throw failed(error);
    }
    if (text.size() > kMaxFileSize) {
        throw tooLarge();
    }
    return text;
}

} // namespace

IniFile IniFile::Load(const std::string& path) {
    IniFile file;
    const std::optional<std::string> text = ReadStateFile(path);
    if (!text) {
        return file;
    }
    std::istringstream in(*text);
    std::string section;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            section = Unescape(line.substr(1, line.size() - 2));
            continue;
        }
        const auto eq = line.find('=');
        if (eq != std::string::npos) {
            file.Set(section, Unescape(std::string_view(line).substr(0, eq)),
                     Unescape(std::string_view(line).substr(eq + 1)));
        }
    }
    return file;
}

std::optional<std::string> IniFile::Get(const std::string& section, const std::string& key) const {
    const SectionEntries* found = FindSection(m_sections, section);
    if (found == nullptr) {
        return std::nullopt;
    }
    const auto at = found->index.find(key);
    return at == found->index.end() ? std::nullopt : std::optional(found->entries[at->second].second);
}

void IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
    auto* found = FindSection(m_sections, section);
    if (found == nullptr) {
        found = &m_sections.emplace_back(SectionEntries{section, {}, {}});
    }
    const auto [at, added] = found->index.try_emplace(key, found->entries.size());
    if (added) {
        found->entries.emplace_back(key, value);
    } else {
        found->entries[at->second].second = value;
    }
}

bool IniFile::Remove(const std::string& section, const std::string& key) {
    auto* found = FindSection(m_sections, section);
    if (found == nullptr || found->index.erase(key) == 0) {
        return false;
    }
    std::erase_if(found->entries, [&](const auto& entry) { return entry.first == key; });
    for (std::size_t i = 0; i < found->entries.size(); ++i) {
        found->index[found->entries[i].first] = i;
    }
    return true;
}

const IniFile::Entries& IniFile::Section(const std::string& section) const {
    static const Entries kNone;
    const SectionEntries* found = FindSection(m_sections, section);
    return found == nullptr ? kNone : found->entries;
}

void IniFile::Save(const std::string& path, bool durable) const {
    std::ostringstream text;
    for (const auto& [name, entries, index] : m_sections) {
        if (!name.empty()) {
            text << '[' << Escape(name) << "]\n";
        }
        for (const auto& [key, value] : entries) {
            text << Escape(key) << '=' << Escape(value) << '\n';
        }
    }
    const std::string data = text.str();
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    ReplacingFile file(path);
    if (file.File() == nullptr) {
        throw RuntimeError(ErrorNumberFromErrno(file.Error()));
    }
    std::fwrite(data.data(), 1, data.size(), file.File());
    if (const int error = file.Commit(0600, durable); error != 0) {
        throw RuntimeError(ErrorNumberFromErrno(error));
    }
}

} // namespace pf::platform

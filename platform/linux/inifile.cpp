#include "inifile.h"

#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

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

[[noreturn]] void ThrowErrno() {
    throw RuntimeError(ErrorNumberFromErrno(errno));
}

} // namespace

IniFile IniFile::Load(const std::string& path) {
    IniFile file;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return file;
        }
        ThrowErrno();
    }
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

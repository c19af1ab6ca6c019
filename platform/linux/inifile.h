#pragma once

// Small INI files for the Linux backend's per-user stores (settings, the PDF printer's values, the
// printer table, the class registration). Every read goes to the disk; every write replaces the file
// atomically, so a reader never sees half a file and a killed program never leaves one.

#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace pf::platform {

class IniFile {
public:
    using Entries = std::vector<std::pair<std::string, std::string>>;

    // Reads the file; a missing file reads as empty. Throws RuntimeError, naming the file and the reason,
    // when it exists but cannot be read, is not a regular file (a folder, a FIFO, a device) or is larger
    // than any file this program writes.
    static IniFile Load(const std::string& path);

    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    void Set(const std::string& section, const std::string& key, const std::string& value);
    // Removes a key; true when it was there.
    bool Remove(const std::string& section, const std::string& key);
    // The entries of a section in file order (empty when there is none).
    const Entries& Section(const std::string& section) const;

    // Writes the file through a temporary file and a rename, creating its folder. With durable, the data
    // has reached the disk when this returns. Throws RuntimeError on failure.
    void Save(const std::string& path, bool durable) const;

private:
    // A section's entries in file order, and where each key stands among them, so that a file of many
    // keys loads, reads and changes in time that grows with its size, not with its square.
    struct SectionEntries {
        std::string name;
        Entries entries;
        std::unordered_map<std::string, std::size_t> index;
    };
    std::vector<SectionEntries> m_sections;
};

} // namespace pf::platform

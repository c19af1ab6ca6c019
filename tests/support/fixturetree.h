#pragma once

#include <initializer_list>
#include <string>

namespace pf::test {

// Builds a folder tree for a test below a root folder: folders, files, symbolic links and FIFOs, each
// named by its path relative to the root. Parent folders are made as needed.
class FixtureTree {
public:
    explicit FixtureTree(std::string root);

    const std::string& Root() const { return m_root; }
    // The full path of a relative path ("" gives the root); "/" in it becomes the system's separator.
    std::string Path(const std::string& relative) const;

    // Makes every path: one ending in "/" is a folder, any other a file holding its own name.
    void Add(std::initializer_list<std::string> relatives) const;
    std::string AddFile(const std::string& relative, const std::string& contents) const;
    std::string AddFolder(const std::string& relative) const;
    // A symbolic link whose target text is taken as given (relative targets are relative to the link).
    std::string AddLink(const std::string& relative, const std::string& target) const;
    std::string AddFifo(const std::string& relative) const;
    // Removes a file or a whole folder.
    void Remove(const std::string& relative) const;
    // Sets the permission bits of a path (e.g. 0700 to lock other users out).
    void SetMode(const std::string& relative, unsigned mode) const;

private:
    std::string m_root;
};

} // namespace pf::test

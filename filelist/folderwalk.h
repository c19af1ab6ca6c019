#pragma once

#include "platform.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace pf {

class Form;

// Folder paths, each ending in a separator; a walk extends it in place, breadth first.
using FolderWalkList = std::vector<std::string>;

// The files a walk found in the folders it listed, by walk entry, in listing order; the file loop takes
// them from here instead of listing every folder a second time.
using FolderFiles = std::unordered_map<std::string, std::vector<platform::FolderEntry>>;

// Extends the list with every admitted folder below its entries, level by level, and drops entries
// whose subfolders cannot be listed for lack of access or because they are gone. A symbolic link is not
// followed into a folder that the walk already holds, so link cycles end. Given files, it keeps there
// what the listing of each folder showed of its files, where the platform's listing allows it.
void GetSubDirectories2016(Form& form, FolderWalkList& list, FolderFiles* files = nullptr);

// Names of the files in a folder that match a wildcard and open as existing files, in listing order.
std::vector<std::string> GetFilesInFolder(const std::string& folder, const std::string& pattern);

// GetFilesInFolder with what the listing learnt about each file (its attributes), for callers that test
// many files and need not ask the file system about each one again.
std::vector<platform::FolderEntry> ListFilesInFolder(const std::string& folder, const std::string& pattern);

// True when a folder name holds a character that the folder walk refuses to enter: a control
// character, "?", a code from 127 to 159 in the single-byte code page, or one it cannot map.
bool HasBadNameCharacters(const std::string& name);

} // namespace pf

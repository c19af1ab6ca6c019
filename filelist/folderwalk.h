#pragma once

#include <string>
#include <vector>

namespace pf {

class Form;
class UserInterface;

// Folder paths, each ending in a separator; a walk extends it in place, breadth first.
using FolderWalkList = std::vector<std::string>;

// Extends the list with every admitted folder below its entries, level by level, and drops entries
// whose subfolders cannot be listed for lack of access or because they are gone.
void GetSubDirectories2016(Form& form, FolderWalkList& list);

// Names of the files in a folder that match a wildcard and open as existing files, in listing order.
std::vector<std::string> GetFilesInFolder(const std::string& folder, const std::string& pattern);

// True when the path names an existing file that can be opened; never throws.
bool IsExistingFile(const std::string& path);

// True when the attributes of the path can be read and include the directory bit; never throws.
bool FolderExists(const std::string& path);

// True when a folder name holds a character that the folder walk refuses to enter.
bool HasBadNameCharacters(const std::string& name);

// The folder browser: the chosen folder, or "" when cancelled.
std::string BrowseForFolder(UserInterface& ui, const std::string& prompt, const std::string& startFolder);

// The files of a folder tree that the adders list: every file of every admitted folder that matches
// the pattern, except "~" names and files that are exactly hidden and archive. Rows are appended to
// the form as they are found.
void AppendTreeFiles(Form& form, const std::string& folder, const std::string& pattern);

// "Add All Text Files In Folder".
void PushButton4_Click(Form& form);

} // namespace pf

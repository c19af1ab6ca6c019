#pragma once

#include "platform.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace pf {

class ErrorTrap;
class Form;
class UserInterface;

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

// True when the path names an existing file that can be opened; never throws.
bool IsExistingFile(const std::string& path);

// True when the attributes of the path can be read and include the directory bit; never throws.
bool FolderExists(const std::string& path);

// True when a folder name holds a character that the folder walk refuses to enter: a control
// character, "?", a code from 127 to 159 in the single-byte code page, or one it cannot map.
bool HasBadNameCharacters(const std::string& name);

// The folder browser: the chosen folder, or "" when cancelled or when the browser fails.
std::string BrowseForFolder(UserInterface& ui, const std::string& prompt, const std::string& startFolder);

// Appends a row for every file of the walked folders that matches the pattern, folder by folder in list
// order, except names starting with "~" and files whose attributes are exactly hidden and archive.
// The statements run under the caller's trap (lines 116 to 130) when it passes one; without a trap a
// failure propagates. Lets no window messages run. A folder whose files the walk kept is not listed again
// (its files are taken out of files).
void AppendListedFiles(Form& form, const FolderWalkList& list, const std::string& pattern, ErrorTrap* trap,
                       FolderFiles* files = nullptr);

// Walks one folder with a fresh walk list and appends its files as AppendListedFiles does, without a
// trap of its own (the walk reports its own failures).
void AppendTreeFiles(Form& form, const std::string& folder, const std::string& pattern);

// "Add All Text Files In Folder".
void PushButton4_Click(Form& form);

} // namespace pf

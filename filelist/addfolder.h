#pragma once

// "Add All Text Files In Folder" and the pieces of it that other adders and buttons use: the folder
// browser and the loop that lists the files of walked folders.

#include "folderwalk.h"

#include <string>

namespace pf {

class ErrorTrap;
class UserInterface;

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

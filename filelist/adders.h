#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pf {

class Form;

// "Add Text Files": the multi-select open-file dialog; appends the chosen files.
void PushButton1_Click(Form& form);

// The dialog's file name text for the chosen paths, as the classic open-file dialog hands it back:
// "" for none; the path itself for one; otherwise the folder the paths share, then each path's name
// below that folder, all separated by NUL characters. The length that must fit maxLength is the
// number of characters (code points) of that text, the NUL separators included and no terminator.
// Throws RuntimeError err::kBufferTooSmall when it does not fit.
std::string ComposeFileDialogResult(const std::vector<std::string>& selectedPaths, std::size_t maxLength);

// Drag-over: true when the dragged data offers a file list (a drop is accepted).
bool ListView1_OLEDragOver(bool offersFileList);

// Drop: appends dropped files as they are and every file of each dropped folder's tree. Never throws:
// an item that is gone by the time it is examined is skipped, and the rows added before it stay.
void ListView1_OLEDragDrop(Form& form, const std::vector<std::string>& droppedPaths);

} // namespace pf

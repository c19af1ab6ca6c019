#include "adders.h"

#include "addfolder.h"
#include "apptitle.h"
#include "errortrap.h"
#include "filelist.h"
#include "form.h"
#include "locations.h"
#include "platform.h"

#include <cstdint>

namespace pf {

namespace {

// OFN_EXPLORER | OFN_LONGNAMES | OFN_ALLOWMULTISELECT | OFN_READONLY: the Windows dialog reads them; the
// other platforms' dialogs take them as a request for a multi-select dialog.
constexpr std::uint32_t kOpenFileFlags = 0x280201;
constexpr std::size_t kMaxFileNameLength = 30000;
constexpr const char* kDialogTitle = "Add File(s) - Use Ctrl & Shift to select multiple files";
constexpr const char* kDialogFilter = "All Files (*.*)|*.*|Text Files (*.txt)|*.txt";
constexpr const char* kTooManyFiles =
    "You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button.";

// The text that a folder's entries start with: the folder and one separator.
std::string EntryPrefix(const std::string& folder) {
    if (folder.empty() || folder.back() == platform::PathSeparator()) {
        return folder;
    }
    return folder + platform::PathSeparator();
}

bool IsBelow(const std::string& path, const std::string& folder) {
    const std::string prefix = EntryPrefix(folder);
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

std::string SharedFolder(const std::vector<std::string>& paths) {
    std::string folder = platform::ParentFolder(paths.front());
    for (const auto& path : paths) {
        while (!folder.empty() && !IsBelow(path, folder)) {
            const std::string parent = platform::ParentFolder(folder);
            folder = parent == folder ? std::string() : parent;
        }
    }
    return folder;
}

// Shows the dialog; a selection too long for the dialog's buffer gives false instead of a failure.
bool ShowAddDialog(Form& form, const FileDialogOptions& options, std::vector<std::string>& paths) {
    try {
        paths = form.Ui().ShowOpenDialog(options);
    } catch (const RuntimeError& e) {
        if (e.Number() != err::kBufferTooSmall) {
            throw;
        }
        return false;
    }
    return true;
}

// Several files chosen: each is listed with its separators tidied (the classic dialog's folder and name
// give a doubled separator in a root folder).
void AppendDialogPaths(Form& form, ErrorTrap& trap, const std::vector<std::string>& paths) {
    trap.At(124);
    for (const std::string& chosen : paths) {
        std::string path;
        trap.Run(126, [&] { path = chosen; });
        trap.Run(130, [&] { path = NormalizePath(path); });
        trap.Run(132, [&] { form.AppendRow(path); });
        trap.At(134);
    }
}

// One dropped item: a file is listed as it is, a folder contributes every file of its tree.
void AppendDroppedItem(Form& form, const std::string& item) {
    const auto attributes = platform::FileAttributes(item);
    if (!attributes) {
        return; // gone since the drop: there is nothing left to list
    }
    if ((*attributes & platform::attr::kDirectory) == 0) {
        form.AppendRow(item);
        return;
    }
    AppendTreeFiles(form, item, "*.*");
}

} // namespace

std::string ComposeFileDialogResult(const std::vector<std::string>& selectedPaths, std::size_t maxLength) {
    std::string result;
    if (selectedPaths.size() == 1) {
        result = selectedPaths.front();
    } else if (!selectedPaths.empty()) {
        const std::string folder = SharedFolder(selectedPaths);
        const std::size_t nameStart = EntryPrefix(folder).size();
        result = folder;
        for (const auto& path : selectedPaths) {
            result += '\0';
            result += path.substr(nameStart);
        }
    }
    if (platform::DecodeUtf8(result).size() > maxLength) {
        throw RuntimeError(err::kBufferTooSmall);
    }
    return result;
}

void PushButton1_Click(Form& form) {
    ErrorTrap trap(form.Ui(), loc::kPushButton1Click);
    FileDialogOptions options;
    options.maxFileNameLength = kMaxFileNameLength;
    std::vector<std::string> paths;
    trap.Run(100, [&] { paths.clear(); });
    trap.Run(102, [&] { options.flags = kOpenFileFlags; });
    trap.Run(104, [&] { options.title = kDialogTitle; });
    trap.Run(106, [&] { options.filter = kDialogFilter; });
    bool fits = true;
    trap.Run(108, [&] { fits = ShowAddDialog(form, options, paths); });
    if (!fits) {
        form.Ui().ShowMessage(kTooManyFiles, ApplicationTitle(), MessageButtons::Ok, MessageIcon::None);
        return;
    }
    if (trap.Test(
            110, [&] { return paths.empty(); }, false)) {
        return;
    }
    if (trap.Test(
            114, [&] { return paths.size() == 1; }, true)) {
        std::string path;
        trap.Run(116, [&] { path = paths.at(0); });
        trap.Run(118, [&] { form.AppendRow(path); });
        return;
    }
    trap.At(120);
    AppendDialogPaths(form, trap, paths);
}

bool ListView1_OLEDragOver(bool offersFileList) {
    return offersFileList;
}

void ListView1_OLEDragDrop(Form& form, const std::vector<std::string>& droppedPaths) {
    for (const auto& item : droppedPaths) {
        // The drop has no error trap and must never end the program: an item that fails is left out
        // and the drop goes on with the next one; rows already added stay.
        try {
            AppendDroppedItem(form, item);
        } catch (...) {
            continue;
        }
    }
}

} // namespace pf

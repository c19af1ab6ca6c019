// "Add All Text Files In Folder": asks for an extension and a folder, walks the folder tree and lists
// its matching files. The folder browser and the file loop serve other adders too.

#include "addfolder.h"

#include "apptitle.h"
#include "errortrap.h"
#include "filelist.h"
#include "form.h"
#include "locations.h"
#include "settings.h"

#include <functional>

namespace pf {

namespace {

constexpr const char* kExtensionPrompt =
    "Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all doc files, etc.)";
constexpr const char* kDefaultExtension = "txt";
constexpr const char* kFolderPrompt = "Please select folder:";

// Files whose attributes are exactly hidden and archive are left out of every folder tree.
constexpr unsigned kHiddenArchive = platform::attr::kHidden | platform::attr::kArchive;

// Runs numbered statements under the caller's error trap, or plainly when the caller has none. The trap
// gets a reference to each statement, never a copy: the file loop runs its statements for every listed
// file, and a copied statement that captures much would cost an allocation each time.
class Statements {
public:
    explicit Statements(ErrorTrap* trap) : m_trap(trap) {}

    void At(int line) {
        if (m_trap != nullptr) {
            m_trap->At(line);
        }
    }
    template <typename Statement> void Run(int line, const Statement& statement) {
        if (m_trap != nullptr) {
            m_trap->Run(line, std::cref(statement));
        } else {
            statement();
        }
    }
    template <typename Condition> bool Test(int line, const Condition& test, bool onFailure) {
        return m_trap != nullptr ? m_trap->Test(line, std::cref(test), onFailure) : test();
    }

private:
    ErrorTrap* m_trap;
};

// The files of one walk entry that match the pattern and open as files, in listing order: those the
// walk kept (taken out of its store), or a fresh listing of a folder it did not keep.
std::vector<platform::FolderEntry> FilesInFolder(const std::string& entry, const std::string& pattern,
                                                 FolderFiles* walkFiles) {
    const auto kept = walkFiles == nullptr ? FolderFiles::iterator() : walkFiles->find(entry);
    if (walkFiles == nullptr || kept == walkFiles->end()) {
        return ListFilesInFolder(entry, pattern);
    }
    std::vector<platform::FolderEntry> files = std::move(kept->second);
    walkFiles->erase(kept);
    std::erase_if(files, [&](const platform::FolderEntry& file) {
        return !file.opensAsFile || !platform::WildcardMatch(pattern, file.name);
    });
    return files;
}

} // namespace

std::string BrowseForFolder(UserInterface& ui, const std::string& prompt, const std::string& startFolder) {
    try {
        std::string chosen = ui.BrowseForFolder(prompt, startFolder);
        return chosen.substr(0, chosen.find('\0'));
    } catch (...) {
        return {}; // the browser reports nothing: a failure reads as a cancel
    }
}

void AppendListedFiles(Form& form, const FolderWalkList& list, const std::string& pattern, ErrorTrap* trap,
                       FolderFiles* walkFiles) {
    Statements run(trap);
    for (const std::string& entry : list) {
        run.At(116);
        // Each entry ends in a separator, so it is the folder's listing path and the start of its files'.
        std::vector<platform::FolderEntry> files;
        run.Run(120, [&] { files = FilesInFolder(entry, pattern, walkFiles); });
        for (const platform::FolderEntry& file : files) {
            run.At(122);
            // Names starting with "~" are temporary and lock files.
            if (run.Test(
                    124, [&] { return file.name.front() == '~'; }, false)) {
                continue;
            }
            std::string path;
            run.Run(126, [&] { path = entry + file.name; });
            // The listing has just opened and examined this very path; its answers are used as they are.
            run.Run(128, [&] {
                if (file.opensAsFile && file.attributes != kHiddenArchive) {
                    form.AppendRow(NormalizePath(path));
                }
            });
            run.At(130);
        }
    }
}

void AppendTreeFiles(Form& form, const std::string& folder, const std::string& pattern) {
    FolderWalkList list{folder + platform::PathSeparator()};
    FolderFiles files;
    GetSubDirectories2016(form, list, &files);
    AppendListedFiles(form, list, pattern, nullptr, &files);
}

void PushButton4_Click(Form& form) {
    ErrorTrap trap(form.Ui(), loc::kPushButton4Click);
    std::string extension;
    trap.Run(100, [&] {
        extension = form.Ui().AskText(kExtensionPrompt, ApplicationTitle(),
                                      ReadSetting(key::kExtension, kDefaultExtension));
        if (!extension.empty()) {
            WriteSetting(key::kExtension, extension);
        }
    });
    if (trap.Test(
            102, [&] { return extension.empty(); }, false)) {
        return;
    }
    trap.Run(104, [&] { WriteSetting(key::kExtension, extension); });
    std::string folder;
    trap.Run(106,
             [&] { folder = BrowseForFolder(form.Ui(), kFolderPrompt, ReadSetting(key::kLastFolder, "")); });
    if (trap.Test(
            108, [&] { return folder.empty(); }, false)) {
        return;
    }
    trap.At(333);
    trap.Run(334, [&] { WriteSetting(key::kLastFolder, folder); });
    trap.Run(110, [&] { form.SetPointer(MousePointer::Hourglass); });
    FolderWalkList list;
    FolderFiles files;
    trap.Run(112, [&] { list.assign(1, folder + platform::PathSeparator()); });
    trap.Run(114, [&] { GetSubDirectories2016(form, list, &files); });
    // The extension is taken exactly as typed: "*" finds every file, "TXT" the same files as "txt".
    AppendListedFiles(form, list, "*." + extension, &trap, &files);
    trap.Run(132, [&] { form.SetPointer(MousePointer::Default); });
}

} // namespace pf

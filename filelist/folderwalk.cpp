// The breadth-first folder walk and the file and folder tests that it and the adders share.

#include "folderwalk.h"

#include "errortrap.h"
#include "form.h"
#include "locations.h"
#include "platform.h"

#include <algorithm>
#include <deque>
#include <set>

namespace pf {

namespace {

// Folders the walk leaves out with everything below them: hidden system folders, links or not.
constexpr unsigned kHiddenSystemFolder =
    platform::attr::kHidden | platform::attr::kSystem | platform::attr::kDirectory;
constexpr unsigned kHiddenSystemLink = kHiddenSystemFolder | platform::attr::kReparsePoint;

// The whole value is compared: a hidden system folder with any further bit (archive, say) is walked, and
// so is a root, which reports itself hidden and system.
bool IsAdmittedFolder(const std::string& folder, unsigned attributes) {
    return platform::IsRootPath(folder) ||
           (attributes != kHiddenSystemFolder && attributes != kHiddenSystemLink);
}

// One run of the walk. The tree is read level by level: each level is examined in list order and
// collects the next. When a level finds nothing below it, the list takes over the folders found on
// every lower level, level by level, each checked once more since messages ran after it was found.
// The levels live on the heap, so a deep tree costs memory but no stack. The identities of the folders
// on the walk keep a symbolic link from leading it back into a folder the walk already holds.
class FolderWalk {
public:
    FolderWalk(Form& form, FolderWalkList& list)
        : m_form(form), m_list(list), m_trap(form.Ui(), loc::kGetSubDirectories2016) {}

    void Run() {
        m_heldPaths = m_list;
        std::size_t depth = 0;
        for (;;) {
            m_trap.At(104);
            m_lower.emplace_back();
            ExamineLevel(Level(depth), Level(depth + 1));
            m_trap.At(150);
            if (Level(depth + 1).empty()) {
                m_lower.pop_back();
                break;
            }
            ++depth;
        }
        for (const FolderWalkList& lower : m_lower) {
            TakeOver(lower);
        }
    }

private:
    FolderWalkList& Level(std::size_t depth) { return depth == 0 ? m_list : m_lower[depth - 1]; }

    // The test that opens a block: should it fail, the report is shown and the block entered.
    template <typename Condition> bool BlockTest(int line, const Condition& test) {
        return m_trap.Test(line, test, true);
    }

    // True when a link leads to a folder the walk already holds. Identities are looked up only once a
    // link turns up, each folder's once, so a tree without links costs no lookups at all.
    bool LeadsToHeldFolder(const platform::FolderId& target) {
        for (; m_identified < m_heldPaths.size(); ++m_identified) {
            if (const auto id = platform::IdentifyFolder(m_heldPaths[m_identified])) {
                m_held.insert(*id);
            }
        }
        return m_held.contains(target);
    }

    void ExamineLevel(FolderWalkList& level, FolderWalkList& next) {
        for (std::size_t index = 0; index < level.size();) {
            m_trap.At(106);
            index = ExamineFolder(level, index, next);
        }
    }

    // Examines one entry and collects its admitted subfolders; returns the index of the entry that
    // follows it (the same index when the entry was removed).
    std::size_t ExamineFolder(FolderWalkList& level, std::size_t index, FolderWalkList& next) {
        const std::string folder = level[index];
        if (!BlockTest(108, [&] { return FolderExists(folder); }) ||
            !BlockTest(110, [&] { return folder.size() < platform::MaxPathLength(); })) {
            return index + 1;
        }
        try {
            CollectSubfolders(folder, next);
        } catch (const RuntimeError& failure) {
            // A folder that cannot be listed is never reported. Without access, or gone, it leaves the
            // list; subfolders collected before the failure stay in the next level.
            m_trap.At(138);
            if (failure.Number() == err::kPermissionDenied || failure.Number() == err::kPathNotFound) {
                const auto equal = std::find(level.begin(), level.end(), folder);
                if (equal != level.end()) {
                    const auto removed = static_cast<std::size_t>(equal - level.begin());
                    level.erase(equal);
                    return removed <= index ? index : index + 1;
                }
            }
        }
        return index + 1;
    }

    // Throws RuntimeError when the folder is gone or cannot be listed; the message runs report their own
    // failures.
    void CollectSubfolders(const std::string& folder, FolderWalkList& next) {
        m_trap.Run(114, [&] { m_form.DoEvents(); });
        m_trap.At(116);
        const auto attributes = platform::FileAttributes(folder);
        if (!attributes) {
            throw RuntimeError(err::kPathNotFound);
        }
        if (!IsAdmittedFolder(folder, *attributes)) {
            return;
        }
        m_trap.At(118);
        for (const platform::FolderEntry& sub : platform::ListSubfolders(folder)) {
            m_trap.Run(120, [&] { m_form.DoEvents(); });
            m_trap.At(122);
            if (IsAdmittedSubfolder(sub)) {
                m_trap.At(132);
                next.push_back(folder + sub.name + platform::PathSeparator());
                m_heldPaths.push_back(next.back());
            }
        }
        m_trap.At(136);
    }

    bool IsAdmittedSubfolder(const platform::FolderEntry& sub) {
        const std::string& name = sub.name;
        if (name.size() >= platform::MaxPathLength() || HasBadNameCharacters(name) ||
            name.find('?') != std::string::npos || name == "." || name == "..") {
            return false;
        }
        const bool isLink = (sub.attributes & platform::attr::kReparsePoint) != 0;
        return !isLink || !sub.folderId || !LeadsToHeldFolder(*sub.folderId);
    }

    // Appends the entries of a lower level that still exist and are admitted.
    void TakeOver(const FolderWalkList& lower) {
        for (const std::string& sub : lower) {
            m_trap.At(152);
            if (!BlockTest(154, [&] { return FolderExists(sub); })) {
                continue;
            }
            m_trap.Run(156, [&] { m_form.DoEvents(); });
            m_trap.Run(158, [&] {
                // A folder that went away while messages ran is simply not taken over.
                const auto attributes = platform::FileAttributes(sub);
                if (attributes && IsAdmittedFolder(sub, *attributes)) {
                    m_list.push_back(sub);
                }
            });
        }
        m_trap.At(160);
    }

    Form& m_form;
    FolderWalkList& m_list;
    std::deque<FolderWalkList> m_lower;   // the levels below the list; a deque keeps references valid
    std::vector<std::string> m_heldPaths; // every folder on the walk, in the order it joined
    std::size_t m_identified = 0;         // how many of them have their identity in m_held
    std::set<platform::FolderId> m_held;
    ErrorTrap m_trap;
};

} // namespace

void GetSubDirectories2016(Form& form, FolderWalkList& list) {
    FolderWalk(form, list).Run();
}

std::vector<platform::FolderEntry> ListFilesInFolder(const std::string& folder, const std::string& pattern) {
    std::string withSeparator = folder;
    if (withSeparator.empty() || withSeparator.back() != platform::PathSeparator()) {
        withSeparator += platform::PathSeparator();
    }
    auto files = platform::ListFolderEntries(withSeparator, pattern, false);
    std::erase_if(files, [](const platform::FolderEntry& file) { return !file.opensAsFile; });
    return files;
}

std::vector<std::string> GetFilesInFolder(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    for (auto& file : ListFilesInFolder(folder, pattern)) {
        names.push_back(std::move(file.name));
    }
    return names;
}

bool IsExistingFile(const std::string& path) {
    return platform::CanOpenExistingFile(path);
}

bool FolderExists(const std::string& path) {
    const auto attributes = platform::FileAttributes(path);
    return attributes && (*attributes & platform::attr::kDirectory) != 0;
}

bool HasBadNameCharacters(const std::string& name) {
    const std::u32string characters = platform::DecodeUtf8(name);
    return std::any_of(characters.begin(), characters.end(), [](char32_t ch) {
        const int code = platform::SingleByteCode(ch);
        return code < 32 || (code >= 127 && code <= 159) || code == '?';
    });
}

} // namespace pf

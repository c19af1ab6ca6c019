// The breadth-first folder walk and the file and folder tests that it and the adders share.

#include "folderwalk.h"

#include "errortrap.h"
#include "form.h"
#include "locations.h"
#include "platform.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <set>
#include <unordered_map>

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

bool IsFolder(const std::optional<unsigned>& attributes) {
    return attributes && (*attributes & platform::attr::kDirectory) != 0;
}

// One run of the walk. The tree is read level by level: each level is examined in list order and
// collects the next. When a level finds nothing below it, the list takes over the folders found on
// every lower level, level by level, each checked once more since messages ran after it was found.
// The levels live on the heap, so a deep tree costs memory but no stack. The identities of the folders
// on the walk keep a symbolic link from leading it back into a folder the walk already holds.
class FolderWalk {
public:
    FolderWalk(Form& form, FolderWalkList& list, FolderFiles* files)
        : m_form(form), m_list(list), m_files(platform::ListingMatchesLikeWildcardMatch() ? files : nullptr),
          m_trap(form.Ui(), loc::kGetSubDirectories2016) {}

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
        std::optional<unsigned> attributes;
        if (!BlockTest(108, [&] { return IsFolder(attributes = AttributesOf(folder)); }) ||
            !BlockTest(110, [&] { return folder.size() < platform::MaxPathLength(); })) {
            return index + 1;
        }
        try {
            CollectSubfolders(folder, attributes, next);
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
    // failures. The attributes are those the folder test read: asking again would cost a look-up per
    // folder, and a folder that is gone or replaced since fails its listing just as it would fail here.
    void CollectSubfolders(const std::string& folder, std::optional<unsigned> attributes,
                           FolderWalkList& next) {
        m_trap.Run(114, [&] { m_form.DoEvents(); });
        m_trap.At(116);
        if (!attributes) {
            throw RuntimeError(err::kPathNotFound);
        }
        if (!IsAdmittedFolder(folder, *attributes)) {
            return;
        }
        m_trap.At(118);
        for (const platform::FolderEntry& sub : ListSubfolders(folder)) {
            m_trap.Run(120, [&] { m_form.DoEvents(); });
            m_trap.At(122);
            if (IsAdmittedSubfolder(sub)) {
                m_trap.At(132);
                next.push_back(folder + sub.name + platform::PathSeparator());
                m_heldPaths.push_back(next.back());
                m_listedAttributes.emplace(next.back(), sub.attributes);
            }
        }
        m_trap.At(136);
    }

    // A folder's attributes: those its parent's listing gave, or the file system's for a folder that no
    // listing of this walk showed. Asking again would cost a look-up per folder; a folder that is gone or
    // replaced since fails its own listing and leaves the walk just as a failed test here would.
    std::optional<unsigned> AttributesOf(const std::string& folder) {
        const auto listed = m_listedAttributes.find(folder);
        if (listed == m_listedAttributes.end()) {
            return platform::FileAttributes(folder);
        }
        const unsigned attributes = listed->second;
        m_listedAttributes.erase(listed);
        return attributes;
    }

    // The folder's subfolders, in listing order. When the walk keeps files, the same listing gives the
    // folder's files: an empty listing may also be a failure, which the subfolder listing then reports.
    std::vector<platform::FolderEntry> ListSubfolders(const std::string& folder) {
        auto entries = m_files == nullptr ? std::vector<platform::FolderEntry>()
                                          : platform::ListFolderEntries(folder, "*", true);
        if (entries.empty()) {
            return platform::ListSubfolders(folder);
        }
        std::vector<platform::FolderEntry> subfolders;
        std::vector<platform::FolderEntry>& files = (*m_files)[folder];
        files.clear();
        for (platform::FolderEntry& entry : entries) {
            auto& kind = (entry.attributes & platform::attr::kDirectory) != 0 ? subfolders : files;
            kind.push_back(std::move(entry));
        }
        return subfolders;
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

    // Appends the entries of a lower level that still exist and are admitted, by the attributes the
    // existence test read (a folder that goes away while messages run lists no files).
    void TakeOver(const FolderWalkList& lower) {
        for (const std::string& sub : lower) {
            m_trap.At(152);
            std::optional<unsigned> attributes;
            if (!BlockTest(154, [&] { return IsFolder(attributes = platform::FileAttributes(sub)); })) {
                continue;
            }
            m_trap.Run(156, [&] { m_form.DoEvents(); });
            m_trap.Run(158, [&] {
                if (attributes && IsAdmittedFolder(sub, *attributes)) {
                    m_list.push_back(sub);
                }
            });
        }
        m_trap.At(160);
    }

    Form& m_form;
    FolderWalkList& m_list;
    FolderFiles* m_files;                 // where the folders' files are kept, or none
    std::deque<FolderWalkList> m_lower;   // the levels below the list; a deque keeps references valid
    std::vector<std::string> m_heldPaths; // every folder on the walk, in the order it joined
    std::size_t m_identified = 0;         // how many of them have their identity in m_held
    std::set<platform::FolderId> m_held;
    std::unordered_map<std::string, unsigned> m_listedAttributes; // found folders not yet examined
    ErrorTrap m_trap;
};

} // namespace

void GetSubDirectories2016(Form& form, FolderWalkList& list, FolderFiles* files) {
    FolderWalk(form, list, files).Run();
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

bool HasBadNameCharacters(const std::string& name) {
    const std::u32string characters = platform::DecodeUtf8(name);
    return std::any_of(characters.begin(), characters.end(), [](char32_t ch) {
        const int code = platform::SingleByteCode(ch);
        return code < 32 || (code >= 127 && code <= 159) || code == '?';
    });
}

} // namespace pf

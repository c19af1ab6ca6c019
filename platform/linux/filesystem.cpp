// The Linux file system in the terms the program works in: Windows attribute values, Windows wildcard
// matching and the case-insensitive listing order of NTFS. Listings read each folder once and look at an
// entry at most once more, so that walking a large tree costs little more than reading its folders.

#include "descriptor.h"
#include "pathrules.h"
#include "platform.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstring>
#include <cwctype>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace pf::platform {

namespace {

using detail::Descriptor;

// ---------------------------------------------------------------- names

// Upper case as NTFS compares names: characters of the Basic Multilingual Plane are folded by the
// simple Unicode mapping, all others stay as they are.
char32_t UpperCase(char32_t ch) {
    if (ch < 0x80) {
        return ch >= U'a' && ch <= U'z' ? ch - 0x20 : ch;
    }
    if (ch > 0xFFFF) {
        return ch;
    }
    static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (utf8 != static_cast<locale_t>(nullptr)) {
        const auto upper = static_cast<char32_t>(::towupper_l(static_cast<wint_t>(ch), utf8));
        return upper <= 0xFFFF ? upper : ch;
    }
    // Without a UTF-8 locale only the Latin-1 letters are folded.
    return ch >= 0xE0 && ch <= 0xFE && ch != 0xF7 ? ch - 0x20 : ch;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::u32string Folded(std::string_view text) {
    std::u32string folded;
    if (IsAscii(text)) {
        folded.assign(text.begin(), text.end());
    } else {
        folded = DecodeUtf8(text);
    }
    for (char32_t& ch : folded) {
        ch = UpperCase(ch);
    }
    return folded;
}

// The key NTFS orders a folder by: the upper-cased name in UTF-16 code units.
std::u16string SortKey(std::string_view name) {
    std::u16string key;
    key.reserve(name.size());
    if (IsAscii(name)) {
        for (const char c : name) {
            key += static_cast<char16_t>(c >= 'a' && c <= 'z' ? c - 0x20 : c);
        }
        return key;
    }
    for (char32_t ch : Folded(name)) {
        if (ch > 0xFFFF) {
            ch -= 0x10000;
            key += static_cast<char16_t>(0xD800 + (ch >> 10));
            key += static_cast<char16_t>(0xDC00 + (ch & 0x3FF));
        } else {
            key += static_cast<char16_t>(ch);
        }
    }
    return key;
}

bool IsHiddenName(std::string_view name) {
    return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

// The path without trailing separators, so that a link is looked at itself ("/" stays "/").
std::string WithoutTrailingSeparators(const std::string& path) {
    const auto last = path.find_last_not_of('/');
    if (last == std::string::npos) {
        return path.empty() ? path : "/";
    }
    return path.substr(0, last + 1);
}

// The length of the text that a name in the folder is appended to: the folder and one separator.
std::size_t PrefixLength(const std::string& folder) {
    return folder.size() + (folder.ends_with('/') ? 0 : 1);
}

// ---------------------------------------------------------------- attributes

unsigned TypeAttributes(mode_t mode) {
    if (S_ISDIR(mode)) {
        return attr::kDirectory;
    }
    return S_ISREG(mode) ? attr::kArchive : 0;
}

FolderId IdOf(const struct stat& st) {
    return FolderId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// A listed name with its type from the directory entry, and the key it is ordered by.
struct RawEntry {
    std::string name;
    unsigned char type;
    std::u16string key;
};

// Looks at one listed entry through the open folder: its attributes, file test and a link's target
// identity. A regular file opens (O_PATH asks nothing of the file itself) when the folder may be searched
// and the path is not too long, so files and folders cost no query of their own; a link costs one.
bool Examine(int folderFd, bool searchable, std::size_t prefixLength, const RawEntry& raw,
             FolderEntry& entry) {
    const char* name = raw.name.c_str();
    unsigned char type = raw.type;
    struct stat st {};
    if (type == DT_UNKNOWN) {
        if (::fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            return false; // gone since the folder was read
        }
        type = S_ISLNK(st.st_mode)   ? DT_LNK
               : S_ISDIR(st.st_mode) ? DT_DIR
               : S_ISREG(st.st_mode) ? DT_REG
                                     : DT_FIFO;
    }
    entry.name = raw.name;
    if (type == DT_DIR) {
        entry.attributes = attr::kDirectory;
    } else if (type == DT_REG) {
        entry.attributes = attr::kArchive;
        entry.opensAsFile = searchable && prefixLength + raw.name.size() < PATH_MAX;
    } else if (type == DT_LNK) {
        entry.attributes = attr::kReparsePoint;
        if (::fstatat(folderFd, name, &st, 0) == 0) {
            entry.attributes |= TypeAttributes(st.st_mode);
            entry.opensAsFile = S_ISREG(st.st_mode);
            if (S_ISDIR(st.st_mode)) {
                entry.folderId = IdOf(st);
            }
        }
    }
    if (IsHiddenName(raw.name)) {
        entry.attributes |= attr::kHidden;
    }
    return true;
}

// ---------------------------------------------------------------- listings

// An open folder whose entries are read in one pass, straight from the kernel.
class Directory {
public:
    explicit Directory(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
          m_error(m_fd.Get() < 0 ? errno : 0) {}

    // The errno of the failed open or read, 0 while all is well.
    int Error() const { return m_error; }
    int Fd() const { return m_fd.Get(); }
    // True when names in the folder can be looked up (the search permission).
    bool IsSearchable() const { return ::faccessat(m_fd.Get(), ".", X_OK, 0) == 0; }

    // The entries whose names and types pass keep, never "." or "..", in NTFS order; equal keys (names that
    // differ only in letter case) keep byte order, so the order never depends on the file system's.
    template <typename Keep> std::vector<RawEntry> Read(Keep keep) {
        std::vector<RawEntry> entries;
        alignas(dirent64) std::array<char, 32768> buffer;
        while (m_error == 0) {
            const ssize_t got = ::getdents64(m_fd.Get(), buffer.data(), buffer.size());
            if (got <= 0) {
                m_error = got < 0 ? errno : 0;
                break;
            }
            for (ssize_t at = 0; at < got;) {
                const auto* d = reinterpret_cast<const dirent64*>(buffer.data() + at);
                at += d->d_reclen;
                const std::string_view name = d->d_name;
                if (name != "." && name != ".." && keep(name, d->d_type)) {
                    entries.push_back({std::string(name), d->d_type, SortKey(name)});
                }
            }
        }
        std::sort(entries.begin(), entries.end(), [](const RawEntry& a, const RawEntry& b) {
            return a.key != b.key ? a.key < b.key : a.name < b.name;
        });
        return entries;
    }

private:
    Descriptor m_fd;
    int m_error;
};

// The failure number of a folder that cannot be listed, as the scripting file-system object gives it.
int FolderErrorNumber(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return err::kPathNotFound;
    case EACCES:
    case EPERM:
        return err::kPermissionDenied;
    default:
        return ErrorNumberFromErrno(errnoValue);
    }
}

// Copies the rest of one open file to another.
bool CopyContents(int from, int to) {
    for (;;) {
        const ssize_t copied = ::copy_file_range(from, nullptr, to, nullptr, std::size_t{1} << 30, 0);
        if (copied == 0) {
            return true;
        }
        if (copied > 0) {
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
            return false;
        }
        break; // this pair of file systems cannot copy in the kernel: copy through a buffer
    }
    std::array<char, std::size_t{1} << 16> buffer{};
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got == 0) {
            return true;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno != EINTR) {
                return false;
            }
            done += put > 0 ? put : 0;
        }
    }
}

} // namespace

// ---------------------------------------------------------------- the interface

std::optional<unsigned> FileAttributes(const std::string& path) {
    const std::string itself = WithoutTrailingSeparators(path);
    struct stat st {};
    if (itself.empty() || ::lstat(itself.c_str(), &st) != 0) {
        return std::nullopt;
    }
    unsigned attributes = TypeAttributes(st.st_mode);
    if (S_ISLNK(st.st_mode)) {
        struct stat target {};
        attributes =
            attr::kReparsePoint | (::stat(itself.c_str(), &target) == 0 ? TypeAttributes(target.st_mode) : 0);
    }
    if (IsHiddenName(FileNamePart(itself))) {
        attributes |= attr::kHidden;
    }
    return attributes;
}

bool CanOpenExistingFile(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    // O_PATH asks for no access to the contents, so an unreadable file counts and a FIFO never blocks.
    const Descriptor fd(::open(path.c_str(), O_PATH | O_CLOEXEC));
    struct stat st {};
    return fd.Get() >= 0 && ::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode);
}

bool HasModificationTime(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*" || pattern == "*.*") {
        return true;
    }
    return detail::MatchWildcard<char32_t>(Folded(pattern), Folded(name));
}

bool ListingMatchesLikeWildcardMatch() {
    return true; // the listing below filters by WildcardMatch itself
}

std::vector<FolderEntry> ListFolderEntries(const std::string& folder, std::string_view pattern,
                                           bool includeFolders) {
    std::vector<FolderEntry> entries;
    Directory directory(folder);
    const auto raws =
        directory.Read([&](std::string_view name, unsigned char) { return WildcardMatch(pattern, name); });
    if (directory.Error() != 0) {
        return entries;
    }
    entries.reserve(raws.size());
    const bool searchable = !raws.empty() && directory.IsSearchable();
    for (const RawEntry& raw : raws) {
        if (!includeFolders && raw.type == DT_DIR) {
            continue; // known to be a folder without asking
        }
        FolderEntry entry;
        if (Examine(directory.Fd(), searchable, PrefixLength(folder), raw, entry) &&
            (includeFolders || (entry.attributes & attr::kDirectory) == 0)) {
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

std::vector<FolderEntry> ListSubfolders(const std::string& folder) {
    Directory directory(folder);
    // Only what may be a folder is kept: files are known from their entry type and never looked at.
    const auto raws = directory.Read([](std::string_view, unsigned char type) {
        return type == DT_DIR || type == DT_LNK || type == DT_UNKNOWN;
    });
    if (directory.Error() != 0) {
        throw RuntimeError(FolderErrorNumber(directory.Error()));
    }
    std::vector<FolderEntry> subfolders;
    for (const RawEntry& raw : raws) {
        FolderEntry entry;
        if (Examine(directory.Fd(), false, PrefixLength(folder), raw, entry) &&
            (entry.attributes & attr::kDirectory) != 0) {
            subfolders.push_back(std::move(entry));
        }
    }
    return subfolders;
}

std::optional<FolderId> IdentifyFolder(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    return IdOf(st);
}

bool DeleteFileQuietly(const std::string& path) {
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

// Linux lets the owner of the folder delete a file whatever the file's own permissions say.
bool ForceDeleteFile(const std::string& path) {
    return DeleteFileQuietly(path);
}

void CopyFileReplacing(const std::string& source, const std::string& target) {
    const Descriptor from(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (from.Get() < 0) {
        throw RuntimeError(ErrorNumberFromErrno(errno));
    }
    if (::fstat(from.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        throw RuntimeError(err::kFileNotFound);
    }
    // The copy is renamed over the target once complete, so a reader never sees half a copy and a target
    // that was made read-only is still replaced.
    ReplacingFile copy(target);
    if (copy.File() == nullptr) {
        throw RuntimeError(ErrorNumberFromErrno(copy.Error()));
    }
    const int error =
        CopyContents(from.Get(), ::fileno(copy.File())) ? copy.Commit(st.st_mode & 0777, false) : errno;
    if (error != 0) {
        throw RuntimeError(ErrorNumberFromErrno(error));
    }
}

bool CanCreateFilesIn(const std::string& folder) {
    struct stat st {};
    return !folder.empty() && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

// Linux file systems tell names apart by their bytes.
std::string FileNameKey(std::string_view name) {
    return std::string(name);
}

InputFile::InputFile(const std::string& path)
    : m_handle(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
    struct stat st {};
    if (m_handle < 0 || ::fstat(static_cast<int>(m_handle), &st) != 0) {
        m_error = std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        m_error = "it is not a regular file";
    } else {
        const int fd = static_cast<int>(m_handle);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
}

InputFile::~InputFile() {
    if (m_handle >= 0) {
        ::close(static_cast<int>(m_handle));
    }
}

std::int64_t InputFile::Read(std::vector<unsigned char>& buffer) {
    ssize_t n = 0;
    do {
        n = ::read(static_cast<int>(m_handle), buffer.data(), buffer.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        m_error = std::strerror(errno);
    }
    return n;
}

bool InputFile::Seek(std::uint64_t offset) {
    if (::lseek(static_cast<int>(m_handle), static_cast<off_t>(offset), SEEK_SET) < 0) {
        m_error = std::strerror(errno);
        return false;
    }
    return true;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return {argv, argv + argc};
}

} // namespace pf::platform

// Where things live on Linux: the program's folder, the XDG user folders and the private temp folder.

#include "folders.h"
#include "descriptor.h"
#include "platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace pf::platform {

namespace {

std::string& ProgramFolderOverride() {
    static std::string folder;
    return folder;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The value of XDG_DESKTOP_DIR in user-dirs.dirs, with $HOME expanded, as xdg-user-dir reads it.
std::string ConfiguredDesktop(const std::string& configHome, const std::string& home) {
    std::ifstream in(configHome + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
        if (line.rfind(kKey, 0) != 0) {
            continue;
        }
        std::string value = line.substr(kKey.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value.rfind("$HOME", 0) == 0) {
            value.replace(0, 5, home);
        }
        return value.empty() || value.front() != '/' ? std::string() : value;
    }
    return {};
}

std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    return HomeFolder() + "/.config";
}

} // namespace

std::string ProgramFolder() {
    if (!ProgramFolderOverride().empty()) {
        return ProgramFolderOverride();
    }
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return fs::current_path(ec).string();
    }
    return exe.parent_path().string();
}

void OverrideProgramFolder(const std::string& folder) {
    ProgramFolderOverride() = folder;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return home;
    }
    return "/";
}

std::string DesktopFolder() {
    const std::string home = HomeFolder();
    std::string configured = ConfiguredDesktop(ConfigHome(), home);
    if (IsDirectory(configured) && fs::path(configured) != fs::path(home)) {
        return configured;
    }
    const std::string fallback = (home == "/" ? std::string() : home) + "/Desktop";
    return IsDirectory(fallback) ? fallback : std::string();
}

std::string ConfigFolder() {
    return ConfigHome();
}

namespace {

std::string TempBase() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && IsDirectory(runtime)) {
        return runtime;
    }
    const char* tmp = std::getenv("TMPDIR");
    return (tmp != nullptr && tmp[0] == '/' && IsDirectory(tmp)) ? tmp : "/tmp";
}

// What keeps a folder from being ours alone; "" when it is our own private folder (a folder that
// others may enter is closed first).
std::string FolderProblem(const std::string& folder) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        return std::strerror(errno);
    }
    if (S_ISLNK(st.st_mode)) {
        return "it is a link";
    }
    if (!S_ISDIR(st.st_mode)) {
        return "it is not a folder";
    }
    if (st.st_uid != ::getuid()) {
        return "it belongs to another user";
    }
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
        return "it cannot be closed to other users";
    }
    return {};
}

// A new folder with a random name (mode 0700) from a template ending in XXXXXX.
std::string MakeFreshFolder(std::string pattern) {
    if (::mkdtemp(pattern.data()) == nullptr) {
        const int error = errno;
        const std::string base = pattern.substr(0, pattern.rfind('/'));
        throw RuntimeError(ErrorNumberFromErrno(error),
                           "Cannot make a private temporary folder in " + base + ": " + std::strerror(error));
    }
    return pattern;
}

} // namespace

// The usual place is one folder per user; when something else has taken it, this process makes a fresh
// folder of its own beside it and keeps using it.
std::string PrivateTempFolder() {
    static std::string fresh;
    const std::string base = TempBase();
    std::string folder = base + "/plumavert-fennic-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    if (FolderProblem(folder).empty()) {
        return folder;
    }
    if (fresh.rfind(folder + "-", 0) != 0 || !FolderProblem(fresh).empty()) {
        fresh = MakeFreshFolder(folder + "-XXXXXX");
    }
    return fresh;
}

namespace {

// The run folders of this process with the descriptors that lock them. A run folder's lock is a flock on
// the folder itself, which the system drops when its run ends however it ends: a run folder that nobody
// holds was left by a killed run.
std::map<std::string, detail::Descriptor>& HeldRunFolders() {
    static std::map<std::string, detail::Descriptor> held;
    return held;
}

// A descriptor holding the folder's lock; -1 when it is no folder or another holds the lock.
int LockRunFolder(const std::string& folder) {
    detail::Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    return fd.Get() >= 0 && ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0 ? fd.Release() : -1;
}

// Removes the run folders in base that no run holds.
void RemoveAbandonedRunFoldersIn(const std::string& base) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(base, ec)) {
        const std::string folder = entry.path().string();
        if (entry.path().filename().string().rfind("run-", 0) != 0 || HeldRunFolders().contains(folder)) {
            continue;
        }
        if (const detail::Descriptor fd(LockRunFolder(folder)); fd.Get() >= 0) {
            fs::remove_all(folder, ec);
        }
    }
}

} // namespace

// The folder is made under another name and locked before it takes its run name, so that no sweep ever
// sees a run folder whose lock is not yet taken.
std::string MakeRunFolder() {
    const std::string base = PrivateTempFolder();
    RemoveAbandonedRunFoldersIn(base);
    const std::string made = MakeFreshFolder(base + "/new-XXXXXX");
    std::string folder = base + "/run-" + made.substr(made.size() - 6);
    detail::Descriptor fd(LockRunFolder(made));
    if (fd.Get() < 0 ||
        ::renameat2(AT_FDCWD, made.c_str(), AT_FDCWD, folder.c_str(), RENAME_NOREPLACE) != 0) {
        const int error = errno;
        ::rmdir(made.c_str());
        throw RuntimeError(ErrorNumberFromErrno(error),
                           "Cannot make a private temporary folder in " + base + ": " + std::strerror(error));
    }
    HeldRunFolders().try_emplace(folder, fd.Release());
    return folder;
}

void RemoveRunFolder(const std::string& folder) {
    std::error_code ec;
    fs::remove_all(folder, ec);
    HeldRunFolders().erase(folder);
}

void RemoveAbandonedRunFolders() {
    RemoveAbandonedRunFoldersIn(PrivateTempFolder());
}

} // namespace pf::platform

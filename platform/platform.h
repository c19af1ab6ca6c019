#pragma once

// Everything the program asks of the operating system. Paths are UTF-8 text; the backend that CMake
// picks (platform/linux or platform/windows) answers with that system's own conventions.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtimeerror.h"

namespace pf::platform {

// ---------------------------------------------------------------- paths and text

// The separator of every path rule ("/" on Linux, "\" on Windows).
char PathSeparator();

// The file name of a program as this system names it: "name.exe" on Windows, "name" on Linux.
std::string ProgramFileName(const std::string& name);

// Longest path the folder walk descends into (Windows 260, Linux 4096).
std::size_t MaxPathLength();

// The name part of a path: what follows its last separator (the whole path when it has none).
std::string_view FileNamePart(std::string_view path);

// The folder part of a path: everything up to and including its last separator ("" when it has none).
std::string_view FolderPart(std::string_view path);

// The folder that holds a path, without the separator that ends it unless it is a root ("C:\", "/");
// "" when the path holds no separator.
std::string ParentFolder(std::string_view path);

// Collapses doubled separators in one left-to-right pass; a leading run of separators becomes the
// platform's prefix ("\\" on Windows, "/" on Linux).
std::string NormalizeSeparators(std::string_view path);

// True when the path is a file-system root ("/", "C:\").
bool IsRootPath(std::string_view path);

// Folder of the running program, without a trailing separator (a root keeps its separator).
std::string ProgramFolder();

// A file in the program folder: the folder, the separator, then the relative path.
std::string InProgramFolder(std::string_view relative);

// Makes ProgramFolder() answer with the given folder; tests point it at a fixture folder.
void OverrideProgramFolder(const std::string& folder);

// The user's desktop folder, or "" when there is none.
std::string DesktopFolder();

// The user's home folder.
std::string HomeFolder();

// A private per-user folder for temporary copies (mode 0700 on Linux, %TEMP% on Windows), created when
// missing. When its usual place is taken (a link, a file, another user's folder) a fresh private folder
// with a random name is used instead. Throws RuntimeError, naming the folder and what is wrong with it,
// when no private folder can be had.
std::string PrivateTempFolder();

// A fresh folder with a random name inside PrivateTempFolder(), private to one run of the program
// (mode 0700 on Linux) and held by it until RemoveRunFolder or the program's end. Throws RuntimeError
// when it cannot be made.
std::string MakeRunFolder();

// Removes a folder made by MakeRunFolder with everything in it; failures are ignored.
void RemoveRunFolder(const std::string& folder);

// Removes the run folders that no run holds any more (their run was killed), with the copies of the
// user's files in them; MakeRunFolder does it too. Throws RuntimeError like PrivateTempFolder.
void RemoveAbandonedRunFolders();

// A file name in the form the file system compares names: the name itself where letter case counts
// (Linux), its upper case where it does not (Windows). Two names clash when their keys are equal.
std::string FileNameKey(std::string_view name);

// Code of a character in the single-byte code page (Windows-1252 on Linux): 0 to 255, or 63 ("?")
// for a character the code page cannot map.
int SingleByteCode(char32_t ch);

// The character that a single-byte code (0 to 255) stands for.
char32_t CharFromSingleByte(int code);

// Decodes UTF-8 into code points; invalid bytes become U+FFFD.
std::u32string DecodeUtf8(std::string_view text);
std::string EncodeUtf8(std::u32string_view text);

// Reads text as a number in the user's locale (sign, decimals, exponent). Empty on anything else.
std::optional<double> ParseLocaleNumber(std::string_view text);

// ---------------------------------------------------------------- file system

namespace attr {
inline constexpr unsigned kReadOnly = 1;
inline constexpr unsigned kHidden = 2;
inline constexpr unsigned kSystem = 4;
inline constexpr unsigned kDirectory = 16;
inline constexpr unsigned kArchive = 32;
inline constexpr unsigned kReparsePoint = 1024;
} // namespace attr

// The Windows-style attribute value of a path, or empty when it cannot be read.
std::optional<unsigned> FileAttributes(const std::string& path);

// True when the path opens as an existing regular file (no access rights asked for).
bool CanOpenExistingFile(const std::string& path);

// True when the attributes of the path can be read and include the directory bit; never throws.
bool IsExistingFolder(const std::string& path);

// True when the last-modified time of the path can be read.
bool HasModificationTime(const std::string& path);

// Windows-style wildcard match ("*", "?", "*.*" matching names without a dot), ignoring letter case.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// True when ListFolderEntries picks names exactly as WildcardMatch does, so that a listing of every name
// may be narrowed to a pattern afterwards; false where the system's own matching differs (it also
// matches a name's short form).
bool ListingMatchesLikeWildcardMatch();

// Names of the entries of a folder that match the wildcard, in the file system's listing order
// (case-insensitive name order, as NTFS lists them). Folders are included only when includeFolders.
// Returns an empty list on any failure.
std::vector<std::string> ListMatchingNames(const std::string& folder, std::string_view pattern,
                                           bool includeFolders);

// Names of the subfolders of a folder in listing order. Throws RuntimeError 70 (permission denied),
// 76 (path not found) or another number when the folder cannot be listed.
std::vector<std::string> ListSubfolderNames(const std::string& folder);

// Identity of a folder: one folder reached by two paths (through a symbolic link, say) has one identity.
struct FolderId {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const FolderId&, const FolderId&) = default;
    friend bool operator<(const FolderId& a, const FolderId& b) {
        return a.volume != b.volume ? a.volume < b.volume : a.index < b.index;
    }
};

// One entry of a folder listing with what the listing learnt about it, so that callers walking many
// files need not ask the file system again.
struct FolderEntry {
    std::string name;
    unsigned attributes = 0;          // as FileAttributes(folder + separator + name) answers
    bool opensAsFile = false;         // as CanOpenExistingFile(folder + separator + name) answers
    std::optional<FolderId> folderId; // for a link to a folder: that folder's identity
};

// The identity of the folder at a path, following links; empty when the path names no folder.
std::optional<FolderId> IdentifyFolder(const std::string& path);

// ListMatchingNames with each entry's attributes and file test (never "." or ".."). Empty on any failure.
std::vector<FolderEntry> ListFolderEntries(const std::string& folder, std::string_view pattern,
                                           bool includeFolders);

// ListSubfolderNames with each subfolder's attributes (and a link's target identity); links to folders
// are subfolders. Throws like ListSubfolderNames.
std::vector<FolderEntry> ListSubfolders(const std::string& folder);

// An opaque text that changes whenever the file at the path is replaced or rewritten (device, file
// number, size and modification time); empty when the path names no file.
std::optional<std::string> FileIdentity(const std::string& path);

// Plain delete; false on any failure.
bool DeleteFileQuietly(const std::string& path);

// Delete that also removes a read-only file; false on any failure.
bool ForceDeleteFile(const std::string& path);

// Copies a file, replacing an existing target. Throws RuntimeError on failure.
void CopyFileReplacing(const std::string& source, const std::string& target);

// True when this user may make new files in the folder.
bool CanCreateFilesIn(const std::string& folder);
// A file written under a temporary name in its target's folder (a nameless file where the file system
// allows) and renamed over the target only when complete: a reader never sees half a file, an existing
// file is replaced in one step even when it is read-only, and a write that fails, even by the program
// being killed, leaves nothing behind. The Linux backend and the Linux printer programs use it; the
// Windows backend has no use for it and does not provide it.
class ReplacingFile {
public:
    explicit ReplacingFile(std::string target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // The open file, or null when it could not be made (Error() says why).
    std::FILE* File() const { return m_file; }
    // The errno of the failed creation, 0 while the file is open.
    int Error() const { return m_error; }

    // Puts the finished file in place with the given permissions (empty: those of the file it replaces, or
    // for a new file those it gets under the user's umask). With durable, the data and the rename have
    // reached the disk when this returns. Returns 0, or the errno of the failure; the temporary file is gone
    // either way.
    int Commit(std::optional<unsigned> permissions, bool durable);

private:
    bool OpenNameless(const std::string& folder);
    int NameTemporary();

    std::string m_target;
    std::string m_temp; // the temporary file's name, once it has one
    std::FILE* m_file = nullptr;
    int m_error = 0;
};

// ---------------------------------------------------------------- reading a file

// A file read from its start in pieces, so a file of any size needs little memory. Only a regular file
// opens: a pipe or a device would hold the open or the reads until someone writes to it.
class InputFile {
public:
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // "" while all is well; otherwise why the file did not open, or why the last read or move failed.
    const std::string& Error() const { return m_error; }
    // Reads the next piece into the buffer (as much as fits): its size, 0 at the end of the file,
    // negative on a read error.
    std::int64_t Read(std::vector<unsigned char>& buffer);
    // Moves to an offset from the start; false when it cannot.
    bool Seek(std::uint64_t offset);

private:
    std::intptr_t m_handle = -1; // the file descriptor, or the Windows handle
    std::string m_error;
};

// The program's command-line arguments as UTF-8, its own name first.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// ---------------------------------------------------------------- settings stores

enum class Store {
    Application, // "Tarnwicke" / "Plumavert Fennic"
    PdfWriter,   // the PDF printer's per-user values
};

// The stored text of a key, or empty when the key or the store does not exist. Throws RuntimeError, naming
// the store and the reason, when the store exists but cannot be read: a value that cannot be read is never
// taken for a missing one.
std::optional<std::string> ReadStoredValue(Store store, const std::string& key);

// Stores the text, creating the store as needed; the value has reached the disk when this returns.
// Throws RuntimeError when it cannot be written.
void WriteStoredValue(Store store, const std::string& key, const std::string& value);

// Removes a key from a store; a missing key or store is no failure. Throws RuntimeError when it cannot
// be written.
void RemoveStoredValue(Store store, const std::string& key);

// The default value of a class registration key ("" when the key or the value is missing).
std::string ReadClassRegistration(const std::string& subKey);

// ---------------------------------------------------------------- locks between processes

// A lock that every program of the user sees by its name, taken exclusively or shared. The system drops
// it when its holder ends, even by being killed, so a crash never leaves it taken. Each object is one
// holder: two objects of one name exclude each other within one process too. A lock whose file cannot be
// opened or made (the lock folder is unreadable, or a file stands in its place) is neither free nor taken:
// taking it throws RuntimeError naming the lock folder and the reason, so that no caller goes on as if it
// were alone.
class UserLock {
public:
    explicit UserLock(std::string name);
    ~UserLock();
    UserLock(const UserLock&) = delete;
    UserLock& operator=(const UserLock&) = delete;

    // Take the lock unless another holder stands in the way; true when it is held. Shared holders only
    // keep out an exclusive one. A held lock may be changed to the other kind; the change lets it go for
    // a moment, and for good when it fails.
    bool TryLockExclusive() { return TryLock(false); }
    bool TryLockShared() { return TryLock(true); }
    // Waits until the lock is held exclusively.
    void Lock();
    void Unlock();

private:
    struct File; // the backend's open lock file
    bool TryLock(bool shared);

    std::string m_name;
    std::unique_ptr<File> m_file;
};

// ---------------------------------------------------------------- printers

struct Printer {
    std::string name;
    std::string port;
};

// Installed printers in the order the platform lists them. Throws RuntimeError, naming the table and the
// reason, when they cannot be read.
std::vector<Printer> InstalledPrinters();

// Device name of the default printer. Throws RuntimeError when there is none (number err::kPrinterInfo) or
// the printers cannot be read (another number, the reason naming the table).
std::string DefaultPrinterName();

// Makes the named printer the default. False when the name is empty, unknown or refused.
bool MakeDefaultPrinter(const std::string& name);

// The user's own choice of default printer as it stands, for PutBackDefaultPrinter: empty when the user
// made none (Linux: the user's printer table has no default entry), and a name even when that printer is
// gone. Where the system keeps no choice apart from the default printer itself (Windows), the default
// printer's name, or empty when there is none. Throws RuntimeError when it cannot be read.
std::optional<std::string> DefaultPrinterSetting();

// Puts back what DefaultPrinterSetting read, exactly: empty removes the user's choice, a name stands even
// when it names no installed printer. False when it cannot be written (Windows: refused, or empty).
bool PutBackDefaultPrinter(const std::optional<std::string>& setting);

// Adds (or re-adds) a printer on a port; a printer added while there is no default becomes the default.
void AddPrinter(const Printer& printer);

// Removes a printer; removing the default printer leaves no default.
void RemovePrinter(const std::string& name);

// The four numbered steps that install the PDF printer on this platform, one line each, for the message
// shown when it is missing.
std::vector<std::string> PdfPrinterInstallSteps(const std::string& printerName, const std::string& port);

// Waits while the printer still holds print jobs: a spooler may write a job out after the program that
// printed it has ended. Returns when done() is true, the printer's queue is empty (or cannot be read), or
// the waits have added up to maxMilliseconds; wait(ms) lets the caller's window run meanwhile. Returns at
// once where a job is complete when the printing program ends (Linux).
void AwaitPrinterJobs(const std::string& printerName, const std::function<bool()>& done,
                      const std::function<void(int milliseconds)>& wait, int maxMilliseconds);

// The result of handing a print job to a printer.
struct PrintResult {
    bool printed = false;
    std::string reason; // why it was not printed, one line
};

// Prints a document to the default printer: data is the job in the print format the port takes
// (see tools/). Returns once the printer has taken the job completely.
class PrintJob {
public:
    virtual ~PrintJob() = default;
    // Appends job data; false when the printer stopped taking data.
    virtual bool Write(std::string_view data) = 0;
    // Ends the job and waits for the printer to finish it.
    virtual PrintResult Finish() = 0;
};

// Opens a job on the default printer with a document name. Empty with a reason when there is no
// default printer or its port is unknown.
struct OpenedJob {
    std::unique_ptr<PrintJob> job;
    std::string reason;
};
OpenedJob StartPrintJob(const std::string& documentName);

// ---------------------------------------------------------------- processes and time

inline constexpr std::uint32_t kStillActive = 259;

struct StartedProcess {
    bool started = false;
    int errorNumber = 0; // the Windows error number of a failed start (2: file not found, 5: access denied)
    std::int64_t id = 0;
};

// Splits a command line into the program name and its arguments by the Windows rules: the program name
// ends at its closing quote or the first blank; in arguments, 2n backslashes before a quote are n
// backslashes and the quote groups, 2n+1 are n backslashes and a literal quote.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Starts a command line (Windows quoting rules) as a new process with a window style (ignored where
// the platform has none).
StartedProcess StartCommandLine(const std::string& commandLine, int windowStyle);

// What a program run to its end wrote to its standard output, and its exit code (-1 when a signal
// ended it).
struct ProgramOutput {
    int exitCode = -1;
    std::string output;
};

// Runs a program (a path) with its arguments, each passed as it is, its standard input and error on the
// null device, and waits for it. Empty when it cannot be started. The Linux printer programs use it; the
// Windows backend has no use for it and does not provide it.
std::optional<ProgramOutput> RunProgram(const std::string& program, const std::vector<std::string>& args);

// The exit code of a started process, kStillActive while it runs; empty when it cannot be queried.
std::optional<std::uint32_t> ProcessExitCode(std::int64_t id);

// Releases what the platform keeps for a started process.
void CloseProcess(std::int64_t id);

// Local time of day in seconds since midnight, with fractions.
double SecondsSinceMidnight();

void SleepMilliseconds(int milliseconds);

// A descriptor that turns readable once the system asked the program to end (Linux: SIGTERM, which a
// desktop sends at logout, and SIGHUP, when its terminal or session goes), so that the program can end as
// if its window were closed instead of at once. The first call takes over those signals. -1 where such
// requests come another way (Windows: the window's own messages).
int EndRequestDescriptor();

// Empties EndRequestDescriptor(), once the requests that made it readable are answered.
void TakeEndRequests();

// Ends the program at once with an exit code: no destructors or exit handlers run, no window is asked.
[[noreturn]] void EndProgramNow(int exitCode);

} // namespace pf::platform

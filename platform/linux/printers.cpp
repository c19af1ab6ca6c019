// The printer table of the Linux backend: printers by exact name with their port, in the order they were
// added, and the default printer's name. Each user has a table of their own in
// $XDG_CONFIG_HOME/Tarnwicke/printers.conf; the system may add tables in its configuration folders
// ($XDG_CONFIG_DIRS, default /etc/xdg), so that a package can install a printer for every user. As in
// freedesktop configuration, the user's table comes first: a printer or a default it names hides the
// same entry of a system table, and a system printer the user removed stays listed in the user's
// table as removed. Every change is written to the user's table only.

#include "folders.h"
#include "inifile.h"
#include "platform.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pf::platform {

namespace {

constexpr const char* kPrintersSection = "Printers";
constexpr const char* kRemovedSection = "Removed";
constexpr const char* kDefaultSection = "Default";
constexpr const char* kDefaultKey = "Name";

// The classic number and text of "the printer object has no printer behind it".
constexpr const char* kPrinterInfoText =
    "Problem getting printer information from the system. Make sure the printer is set up correctly.";

std::string TableFolder() {
    return ConfigFolder() + "/Tarnwicke";
}
std::string TablePath() {
    return TableFolder() + "/printers.conf";
}

// The system configuration folders, most important first; relative entries are ignored.
std::vector<std::string> SystemConfigFolders() {
    const char* value = std::getenv("XDG_CONFIG_DIRS");
    const std::string list = value != nullptr && value[0] != '\0' ? value : "/etc/xdg";
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        if (end > start && list[start] == '/') {
            folders.push_back(list.substr(start, end - start));
        }
        start = end + 1;
    }
    return folders;
}

// The user's table and the system tables that lie under it.
struct Tables {
    IniFile user;
    std::vector<IniFile> system;

    static Tables Load() {
        Tables tables{IniFile::Load(TablePath()), {}};
        for (const std::string& folder : SystemConfigFolders()) {
            // A system table that cannot be read (or is no regular file) adds nothing, like a missing
            // one: the user's own printers still work.
            try {
                tables.system.push_back(IniFile::Load(folder + "/Tarnwicke/printers.conf"));
            } catch (const RuntimeError&) {
            }
        }
        return tables;
    }

    bool InSystem(const std::string& name) const {
        return std::ranges::any_of(
            system, [&](const IniFile& table) { return table.Get(kPrintersSection, name).has_value(); });
    }

    // Every printer once, with the port of the first table that names it; the user's removals hide
    // system printers.
    std::vector<Printer> Printers() const {
        std::vector<Printer> printers;
        std::set<std::string> seen;
        std::vector<const IniFile*> tables = {&user};
        for (const IniFile& table : system) {
            tables.push_back(&table);
        }
        for (const IniFile* table : tables) {
            for (const auto& [name, port] : table->Section(kPrintersSection)) {
                if (!user.Get(kRemovedSection, name) && seen.insert(name).second) {
                    printers.push_back({name, port});
                }
            }
        }
        return printers;
    }

    bool IsInstalled(const std::string& name) const {
        return user.Get(kPrintersSection, name) || (InSystem(name) && !user.Get(kRemovedSection, name));
    }

    // The default of the first table that names one, when it names an installed printer; else "".
    std::string CurrentDefault() const {
        std::optional<std::string> name = user.Get(kDefaultSection, kDefaultKey);
        for (std::size_t i = 0; !name && i < system.size(); ++i) {
            name = system[i].Get(kDefaultSection, kDefaultKey);
        }
        return name && IsInstalled(*name) ? *name : std::string();
    }
};

// Serialises the read-modify-write of the table between processes of the same user (the program and
// the PDF printer's installer may run at once). The lock lives beside the table, which is replaced by
// rename on every save.
class TableLock {
public:
    TableLock() {
        ::mkdir(TableFolder().c_str(), 0700);
        m_fd = ::open((TableFolder() + "/.printers.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_EX);
        }
    }
    ~TableLock() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

private:
    int m_fd = -1;
};

} // namespace

std::vector<Printer> InstalledPrinters() {
    return Tables::Load().Printers();
}

std::string DefaultPrinterName() {
    std::string name = Tables::Load().CurrentDefault();
    if (name.empty()) {
        throw RuntimeError(err::kPrinterInfo, kPrinterInfoText);
    }
    return name;
}

bool MakeDefaultPrinter(const std::string& name) {
    try {
        TableLock lock;
        Tables tables = Tables::Load();
        if (name.empty() || !tables.IsInstalled(name)) {
            return false;
        }
        tables.user.Set(kDefaultSection, kDefaultKey, name);
        tables.user.Save(TablePath(), true);
        return true;
    } catch (const RuntimeError&) {
        return false;
    }
}

std::optional<std::string> DefaultPrinterSetting() {
    return IniFile::Load(TablePath()).Get(kDefaultSection, kDefaultKey);
}

bool PutBackDefaultPrinter(const std::optional<std::string>& setting) {
    try {
        TableLock lock;
        IniFile user = IniFile::Load(TablePath());
        if (setting) {
            user.Set(kDefaultSection, kDefaultKey, *setting);
        } else {
            user.Remove(kDefaultSection, kDefaultKey);
        }
        user.Save(TablePath(), true);
        return true;
    } catch (const RuntimeError&) {
        return false;
    }
}

void AddPrinter(const Printer& printer) {
    if (printer.name.empty()) {
        throw RuntimeError(err::kInvalidProcedureCall);
    }
    TableLock lock;
    Tables tables = Tables::Load();
    tables.user.Set(kPrintersSection, printer.name, printer.port);
    tables.user.Remove(kRemovedSection, printer.name);
    if (tables.CurrentDefault().empty()) {
        tables.user.Set(kDefaultSection, kDefaultKey, printer.name);
    }
    tables.user.Save(TablePath(), true);
}

void RemovePrinter(const std::string& name) {
    TableLock lock;
    Tables tables = Tables::Load();
    if (!tables.IsInstalled(name)) {
        return;
    }
    const bool wasDefault = tables.CurrentDefault() == name;
    tables.user.Remove(kPrintersSection, name);
    if (tables.InSystem(name)) {
        tables.user.Set(kRemovedSection, name, "");
    }
    if (wasDefault) {
        // An empty name in the user's table also hides a default of the system tables.
        tables.user.Set(kDefaultSection, kDefaultKey, "");
    }
    tables.user.Save(TablePath(), true);
}

// The PDF printer writes its file before the program that printed ends: nothing is left to wait for.
void AwaitPrinterJobs(const std::string& /*printerName*/, const std::function<bool()>& /*done*/,
                      const std::function<void(int milliseconds)>& /*wait*/, int /*maxMilliseconds*/) {}

std::vector<std::string> PdfPrinterInstallSteps(const std::string& printerName, const std::string& port) {
    return {
        "1) Open a terminal in the folder that holds this program: " + ProgramFolder(),
        "2) Run ./tarnwicke-pdf-writer --install to add " + printerName + " on the port " + port +
            " for you.",
        "3) From a source checkout, make run builds the program and installs the printer the same way.",
        "4) Start this program again; " + printerName + " is then found and used as the printer.",
    };
}

} // namespace pf::platform

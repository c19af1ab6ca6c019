// The per-user printer table of the Linux backend: printers by exact name with their port, in the order
// they were added, and the default printer's name, kept in $XDG_CONFIG_HOME/Tarnwicke/printers.conf.

#include "inifile.h"
#include "platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pf::platform {

namespace {

constexpr const char* kPrintersSection = "Printers";
constexpr const char* kDefaultSection = "Default";
constexpr const char* kDefaultKey = "Name";

// The classic number and text of "the printer object has no printer behind it".
constexpr int kPrinterInfoError = 484;
constexpr const char* kPrinterInfoText =
    "Problem getting printer information from the system. Make sure the printer is set up correctly.";

std::string TableFolder() {
    return ConfigFolder() + "/Tarnwicke";
}
std::string TablePath() {
    return TableFolder() + "/printers.conf";
}

bool IsInstalled(const IniFile& table, const std::string& name) {
    return table.Get(kPrintersSection, name).has_value();
}

// The default printer's name when it names an installed printer, else "".
std::string CurrentDefault(const IniFile& table) {
    const std::string name = table.Get(kDefaultSection, kDefaultKey).value_or("");
    return IsInstalled(table, name) ? name : std::string();
}

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
    const IniFile table = IniFile::Load(TablePath());
    std::vector<Printer> printers;
    for (const auto& [name, port] : table.Section(kPrintersSection)) {
        printers.push_back({name, port});
    }
    return printers;
}

std::string DefaultPrinterName() {
    const std::string name = CurrentDefault(IniFile::Load(TablePath()));
    if (name.empty()) {
        throw RuntimeError(kPrinterInfoError, kPrinterInfoText);
    }
    return name;
}

bool MakeDefaultPrinter(const std::string& name) {
    try {
        TableLock lock;
        IniFile table = IniFile::Load(TablePath());
        if (name.empty() || !IsInstalled(table, name)) {
            return false;
        }
        table.Set(kDefaultSection, kDefaultKey, name);
        table.Save(TablePath(), true);
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
    IniFile table = IniFile::Load(TablePath());
    table.Set(kPrintersSection, printer.name, printer.port);
    if (CurrentDefault(table).empty()) {
        table.Set(kDefaultSection, kDefaultKey, printer.name);
    }
    table.Save(TablePath(), true);
}

void RemovePrinter(const std::string& name) {
    TableLock lock;
    IniFile table = IniFile::Load(TablePath());
    const bool wasDefault = CurrentDefault(table) == name;
    if (!table.Remove(kPrintersSection, name)) {
        return;
    }
    if (wasDefault) {
        table.Remove(kDefaultSection, kDefaultKey);
    }
    table.Save(TablePath(), true);
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

// The spooler's printers: the installed ones, the user's default printer and, for tests and set-up,
// adding and removing a printer. This program prints through the text printer, never by itself.

#include "jobqueue.h"
#include "platform.h"
#include "win32.h"
#include "wshnetwork.h"

#include <winspool.h>

#include <array>

// winspool.h turns AddPrinter into AddPrinterA; here it is the platform interface's own name.
#undef AddPrinter

namespace pf::platform {

namespace {

// The classic number and text of "the printer object has no printer behind it".
constexpr const char* kPrinterInfoText =
    "Problem getting printer information from the system. Make sure the printer is set up correctly.";

// PostScript drivers that come with Windows (and Wine), in order of preference.
constexpr std::array<const char*, 3> kPostScriptDrivers = {
    "Wine PostScript Driver", "Microsoft PS Class Driver", "MS Publisher Imagesetter"};

// Fills a buffer by the spooler's two-call protocol: ask for the size, then read.
template <typename Call> std::vector<BYTE> ReadSpoolerList(Call call, DWORD& count) {
    std::vector<BYTE> buffer;
    DWORD needed = 0;
    while (
        !call(buffer.empty() ? nullptr : buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count)) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size()) {
            win::ThrowLastError();
        }
        buffer.resize(needed);
    }
    return buffer;
}

std::vector<std::string> InstalledDrivers() {
    DWORD count = 0;
    const auto buffer = ReadSpoolerList(
        [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return ::EnumPrinterDriversA(nullptr, nullptr, 1, data, size, needed, returned);
        },
        count);
    std::vector<std::string> names;
    const auto* drivers = reinterpret_cast<const DRIVER_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        names.emplace_back(drivers[i].pName);
    }
    return names;
}

std::string PostScriptDriver() {
    const auto installed = InstalledDrivers();
    for (const char* wanted : kPostScriptDrivers) {
        for (const auto& name : installed) {
            if (name == wanted) {
                return name;
            }
        }
    }
    throw RuntimeError(err::kInvalidProcedureCall, "No PostScript printer driver is installed");
}

std::optional<std::string> CurrentDefault() {
    DWORD size = 0;
    ::GetDefaultPrinterA(nullptr, &size);
    if (size == 0) {
        return std::nullopt;
    }
    std::string name(size, '\0');
    if (!::GetDefaultPrinterA(name.data(), &size)) {
        return std::nullopt;
    }
    name.resize(size > 0 ? size - 1 : 0);
    return win::FromAnsi(name);
}

std::string AnsiName(const std::string& name) {
    const auto ansi = win::ToAnsi(name);
    if (!ansi || ansi->empty()) {
        throw RuntimeError(err::kInvalidProcedureCall);
    }
    return *ansi;
}

constexpr int kJobPollMilliseconds = 100;

win::QueuedJobsCall& QueuedJobsOverride() {
    static win::QueuedJobsCall call;
    return call;
}

} // namespace

namespace win {

bool SpoolerHasQueuedJobs(const std::string& printerName) {
    auto ansi = ToAnsi(printerName);
    PRINTER_DEFAULTSA access{nullptr, nullptr, PRINTER_ACCESS_USE};
    HANDLE printer = nullptr;
    if (!ansi || ansi->empty() || !::OpenPrinterA(ansi->data(), &printer, &access)) {
        return false;
    }
    DWORD needed = 0;
    DWORD count = 0;
    ::EnumJobsA(printer, 0, 1, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    bool queued =
        needed > 0 && ::EnumJobsA(printer, 0, 1, 1, buffer.data(), needed, &needed, &count) && count > 0;
    needed = 0;
    ::GetPrinterA(printer, 2, nullptr, 0, &needed);
    buffer.assign(needed, 0);
    if (!queued && needed >= sizeof(PRINTER_INFO_2A) &&
        ::GetPrinterA(printer, 2, buffer.data(), needed, &needed)) {
        queued = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data())->cJobs > 0;
    }
    ::ClosePrinter(printer);
    return queued;
}

void OverrideQueuedJobsCall(QueuedJobsCall call) {
    QueuedJobsOverride() = std::move(call);
}

} // namespace win

std::vector<Printer> InstalledPrinters() {
    DWORD count = 0;
    const auto buffer = ReadSpoolerList(
        [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return ::EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, data, size,
                                   needed, returned);
        },
        count);
    std::vector<Printer> printers;
    const auto* infos = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        printers.push_back({win::FromAnsi(infos[i].pPrinterName != nullptr ? infos[i].pPrinterName : ""),
                            win::FromAnsi(infos[i].pPortName != nullptr ? infos[i].pPortName : "")});
    }
    return printers;
}

std::string DefaultPrinterName() {
    auto name = CurrentDefault();
    if (!name) {
        throw RuntimeError(err::kPrinterInfo, kPrinterInfoText);
    }
    return std::move(*name);
}

bool MakeDefaultPrinter(const std::string& name) {
    if (name.empty()) {
        return false; // the spooler would take the empty name as "pick any printer"
    }
    if (win::CurrentSetDefaultPrinterCall()(name)) {
        return true;
    }
    // WshNetwork fails where the Script Host is missing or disabled, and Wine's SetDefaultPrinter is a
    // stub that always fails: the spooler's own call sets the same per-user default and refuses an
    // unknown name in the same way.
    const auto ansi = win::ToAnsi(name);
    return ansi && ::SetDefaultPrinterA(ansi->c_str());
}

std::optional<std::string> DefaultPrinterSetting() {
    return CurrentDefault();
}

bool PutBackDefaultPrinter(const std::optional<std::string>& setting) {
    return setting && MakeDefaultPrinter(*setting);
}

void AddPrinter(const Printer& printer) {
    std::string name = AnsiName(printer.name);
    std::string port = AnsiName(printer.port);
    std::string driver = PostScriptDriver();
    RemovePrinter(printer.name);
    PRINTER_INFO_2A info{};
    char processor[] = "WinPrint";
    char dataType[] = "RAW";
    info.pPrinterName = name.data();
    info.pPortName = port.data();
    info.pDriverName = driver.data();
    info.pPrintProcessor = processor;
    info.pDatatype = dataType;
    const HANDLE added = ::AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (added == nullptr) {
        win::ThrowLastError();
    }
    ::ClosePrinter(added);
    if (!CurrentDefault()) {
        ::SetDefaultPrinterA(name.c_str());
    }
}

void RemovePrinter(const std::string& name) {
    auto ansi = win::ToAnsi(name);
    PRINTER_DEFAULTSA access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!ansi || ansi->empty() || !::OpenPrinterA(ansi->data(), &printer, &access)) {
        return; // no such printer: nothing to remove
    }
    const bool deleted = ::DeletePrinter(printer) != FALSE;
    const DWORD error = ::GetLastError();
    ::ClosePrinter(printer);
    if (!deleted) {
        throw RuntimeError(win::ErrorNumberFromWindowsError(error));
    }
}

std::vector<std::string> PdfPrinterInstallSteps(const std::string& printerName, const std::string& port) {
    return {
        "1) Run the Plumavert Fennic setup program again, as administrator (right-click it -> Run as "
        "administrator).",
        "2) Let it finish: it repairs " + printerName + " on the port " + port +
            " and keeps the program and your settings.",
        "3) If it says the driver ''Microsoft Print To PDF'' is missing, turn on Microsoft Print to PDF in "
        "Windows Features, then run the setup program once more.",
        "4) Start this program again; " + printerName + " is then found and used as the printer.",
    };
}

void AwaitPrinterJobs(const std::string& printerName, const std::function<bool()>& done,
                      const std::function<void(int milliseconds)>& wait, int maxMilliseconds) {
    const auto hasJobs = [&] {
        return QueuedJobsOverride() ? QueuedJobsOverride()(printerName)
                                    : win::SpoolerHasQueuedJobs(printerName);
    };
    for (int waited = 0; waited < maxMilliseconds && !done() && hasJobs(); waited += kJobPollMilliseconds) {
        wait(kJobPollMilliseconds);
    }
}

OpenedJob StartPrintJob(const std::string& /*documentName*/) {
    return {nullptr, "no print jobs on this platform"};
}

} // namespace pf::platform

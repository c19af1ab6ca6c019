// The print monitor behind the port "CPW2:" of "Tarnwicke PDF Writer": the spooler hands it each job's
// bytes (PDF from the printer's driver), and it stores them unchanged at the printing user's OutputFile.
// It also adds and deletes its ports when asked through XcvData ("AddPort", "DeletePort").

#include "jobfile.h"
#include "uservalues.h"
#include "winhandles.h"

#include <windows.h>
#include <winspool.h>
// The print monitor interface, which needs the spooler types above.
#include <winsplp.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace pf::pdfwriter {

namespace {

// The name the monitor is added under, and the key where the spooler looks for its ports.
constexpr const wchar_t* kMonitorName = L"Tarnwicke PDF Writer";
constexpr const wchar_t* kPortsKey =
    L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Tarnwicke PDF Writer\\Ports";
constexpr std::size_t kLongestPortName = 63;

// One open port: the job it is storing, if any, and the printer it prints for.
struct Port {
    HANDLE printer = nullptr;
    DWORD jobId = 0;
    std::unique_ptr<JobFile> job;

    ~Port() { ClosePrinterHandle(); }
    void ClosePrinterHandle() {
        if (printer != nullptr) {
            ::ClosePrinter(printer);
            printer = nullptr;
        }
    }
};

// An Xcv session: what the opener may do.
struct XcvSession {
    ACCESS_MASK access;
};

std::mutex portsLock; // the Ports key is read and changed from the spooler's threads

std::vector<std::wstring> PortNames() {
    std::vector<std::wstring> names;
    platform::win::RegistryKey ports;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPortsKey, 0, KEY_READ, ports.Out()) != ERROR_SUCCESS) {
        return names;
    }
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (::RegEnumKeyExW(ports.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

// Tells whoever looks after the job why it failed: the job's status in the queue and the event log.
void ReportFailure(const Port& port, const JobError& failure) {
    std::wstring text = L"Tarnwicke PDF Writer could not store the job: " + failure.Reason();
    std::vector<BYTE> info = ReadJobInfo(port.printer, port.jobId);
    if (!info.empty()) {
        auto* job = reinterpret_cast<JOB_INFO_1W*>(info.data());
        job->pStatus = text.data();
        job->Position = JOB_POSITION_UNSPECIFIED;
        ::SetJobW(port.printer, port.jobId, 1, info.data(), 0);
    }
    if (HANDLE log = ::RegisterEventSourceW(nullptr, kMonitorName)) {
        const wchar_t* strings[] = {text.c_str()};
        ::ReportEventW(log, EVENTLOG_ERROR_TYPE, 0, 1, nullptr, 1, 0, strings, nullptr);
        ::DeregisterEventSource(log);
    }
}

// True when the spooler has marked the job as cancelled or failed: its bytes are not to be kept.
bool JobWasAbandoned(const Port& port) {
    const std::vector<BYTE> info = ReadJobInfo(port.printer, port.jobId);
    const DWORD status = info.empty() ? 0 : reinterpret_cast<const JOB_INFO_1W*>(info.data())->Status;
    return (status & (JOB_STATUS_DELETING | JOB_STATUS_DELETED | JOB_STATUS_ERROR | JOB_STATUS_RESTART)) != 0;
}

BOOL Fail(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

BOOL WINAPI EnumPorts(HANDLE /*monitor*/, LPWSTR /*server*/, DWORD level, LPBYTE buffer, DWORD size,
                      LPDWORD needed, LPDWORD returned) {
    if (level != 1 && level != 2) {
        return Fail(ERROR_INVALID_LEVEL);
    }
    std::vector<std::wstring> names;
    {
        const std::lock_guard lock(portsLock);
        names = PortNames();
    }
    const std::size_t entrySize = level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
    const std::wstring monitor = kMonitorName;
    std::size_t total = names.size() * entrySize;
    for (const auto& name : names) {
        total += (name.size() + 1) * sizeof(wchar_t);
        total += level == 2 ? 2 * (monitor.size() + 1) * sizeof(wchar_t) : 0;
    }
    *needed = static_cast<DWORD>(total);
    *returned = 0;
    if (buffer == nullptr || size < total) {
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    // Entries from the start, their texts packed from the end.
    BYTE* end = buffer + total;
    auto pack = [&](const std::wstring& text) {
        end -= (text.size() + 1) * sizeof(wchar_t);
        std::memcpy(end, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        return reinterpret_cast<LPWSTR>(end);
    };
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (level == 1) {
            reinterpret_cast<PORT_INFO_1W*>(buffer)[i].pName = pack(names[i]);
        } else {
            auto& info = reinterpret_cast<PORT_INFO_2W*>(buffer)[i];
            info.pPortName = pack(names[i]);
            info.pMonitorName = pack(monitor);
            info.pDescription = pack(monitor);
            info.fPortType = PORT_TYPE_WRITE;
            info.Reserved = 0;
        }
    }
    *returned = static_cast<DWORD>(names.size());
    return TRUE;
}

BOOL WINAPI OpenPort(HANDLE /*monitor*/, LPWSTR name, PHANDLE handle) {
    if (name == nullptr || handle == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    *handle = new Port;
    return TRUE;
}

BOOL WINAPI StartDocPort(HANDLE handle, LPWSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo) {
    auto* port = static_cast<Port*>(handle);
    port->job.reset();
    port->ClosePrinterHandle();
    port->jobId = jobId;
    if (printerName != nullptr && *printerName != 0) {
        ::OpenPrinterW(printerName, &port->printer, nullptr);
    }
    // Levels 1 and 2 both begin with the document's name.
    const wchar_t* documentName = nullptr;
    if ((level == 1 || level == 2) && docInfo != nullptr) {
        documentName = reinterpret_cast<const DOC_INFO_1W*>(docInfo)->pDocName;
    }
    try {
        const UserValues values = ReadUserValues(port->printer, jobId);
        port->job = std::make_unique<JobFile>(
            ChooseDestination(values.outputFile, values.bypassSaveAs, values.documentsFolder,
                              documentName != nullptr ? documentName : L""));
        return TRUE;
    } catch (const JobError& failure) {
        ReportFailure(*port, failure);
        return Fail(failure.Error());
    }
}

BOOL WINAPI WritePort(HANDLE handle, LPBYTE bytes, DWORD count, LPDWORD written) {
    auto* port = static_cast<Port*>(handle);
    if (port->job == nullptr) {
        if (written != nullptr) {
            *written = 0;
        }
        return Fail(ERROR_INVALID_HANDLE);
    }
    return port->job->Write(bytes, count, written) ? TRUE : Fail(ERROR_WRITE_FAULT);
}

BOOL WINAPI ReadPort(HANDLE /*port*/, LPBYTE /*buffer*/, DWORD /*size*/, LPDWORD read) {
    if (read != nullptr) {
        *read = 0;
    }
    return Fail(ERROR_NOT_SUPPORTED);
}

BOOL WINAPI EndDocPort(HANDLE handle) {
    auto* port = static_cast<Port*>(handle);
    BOOL result = TRUE;
    if (port->job != nullptr) {
        try {
            // An abandoned job is not committed: the old file stays, the temporary one goes below.
            if (!JobWasAbandoned(*port)) {
                port->job->Commit();
            }
        } catch (const JobError& failure) {
            ReportFailure(*port, failure);
            ::SetLastError(failure.Error());
            result = FALSE;
        }
        port->job.reset();
    }
    if (port->printer != nullptr && port->jobId != 0) {
        ::SetJobW(port->printer, port->jobId, 0, nullptr, JOB_CONTROL_SENT_TO_PRINTER);
    }
    port->ClosePrinterHandle();
    return result;
}

BOOL WINAPI ClosePort(HANDLE handle) {
    delete static_cast<Port*>(handle); // a job still open never reached its end: it is discarded
    return TRUE;
}

BOOL WINAPI XcvOpenPort(HANDLE /*monitor*/, LPCWSTR /*object*/, ACCESS_MASK access, PHANDLE handle) {
    if (handle == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    *handle = new XcvSession{access};
    return TRUE;
}

// The port name an Xcv call carries: a text in its input bytes, a NUL or the byte count ending it.
std::wstring PortNameIn(const BYTE* input, DWORD size) {
    if (input == nullptr) {
        return {};
    }
    std::wstring name(reinterpret_cast<const wchar_t*>(input), size / sizeof(wchar_t));
    return name.substr(0, name.find(L'\0'));
}

DWORD ChangePort(const std::wstring& name, bool add) {
    if (name.empty() || name.size() > kLongestPortName || name.find(L'\\') != std::wstring::npos) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::wstring key = std::wstring(kPortsKey) + L"\\" + name;
    const std::lock_guard lock(portsLock);
    if (!add) {
        const LONG status = ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
        return status == ERROR_FILE_NOT_FOUND ? ERROR_UNKNOWN_PORT : static_cast<DWORD>(status);
    }
    // The Ports key is made on the way when it is missing; the disposition is the port's own.
    platform::win::RegistryKey port;
    DWORD disposition = 0;
    const LONG status = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                          nullptr, port.Out(), &disposition);
    if (status != ERROR_SUCCESS) {
        return static_cast<DWORD>(status);
    }
    return disposition == REG_OPENED_EXISTING_KEY ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
}

DWORD WINAPI XcvDataPort(HANDLE handle, LPCWSTR command, PBYTE input, DWORD inputSize, PBYTE output,
                         DWORD outputSize, PDWORD outputNeeded) {
    const auto* session = static_cast<XcvSession*>(handle);
    const std::wstring what = command != nullptr ? command : L"";
    const std::wstring name = PortNameIn(input, inputSize);
    if (outputNeeded != nullptr) {
        *outputNeeded = 0;
    }
    if (what == L"AddPort" || what == L"DeletePort") {
        if ((session->access & SERVER_ACCESS_ADMINISTER) == 0) {
            return ERROR_ACCESS_DENIED;
        }
        return ChangePort(name, what == L"AddPort");
    }
    if (what == L"PortExists") {
        if (outputNeeded != nullptr) {
            *outputNeeded = sizeof(DWORD);
        }
        if (output == nullptr || outputSize < sizeof(DWORD)) {
            return ERROR_INSUFFICIENT_BUFFER;
        }
        const std::lock_guard lock(portsLock);
        const auto names = PortNames();
        const DWORD exists = std::find(names.begin(), names.end(), name) != names.end() ? 1 : 0;
        std::memcpy(output, &exists, sizeof exists);
        return ERROR_SUCCESS;
    }
    return ERROR_INVALID_PARAMETER;
}

BOOL WINAPI XcvClosePort(HANDLE handle) {
    delete static_cast<XcvSession*>(handle);
    return TRUE;
}

VOID WINAPI Shutdown(HANDLE /*monitor*/) {}

MONITOR2 MakeMonitor() {
    MONITOR2 monitor{};
    monitor.cbSize = sizeof monitor;
    monitor.pfnEnumPorts = EnumPorts;
    monitor.pfnOpenPort = OpenPort;
    monitor.pfnStartDocPort = StartDocPort;
    monitor.pfnWritePort = WritePort;
    monitor.pfnReadPort = ReadPort;
    monitor.pfnEndDocPort = EndDocPort;
    monitor.pfnClosePort = ClosePort;
    monitor.pfnXcvOpenPort = XcvOpenPort;
    monitor.pfnXcvDataPort = XcvDataPort;
    monitor.pfnXcvClosePort = XcvClosePort;
    monitor.pfnShutdown = Shutdown;
    return monitor;
}

} // namespace

} // namespace pf::pdfwriter

// The one entry point the spooler looks for: the table of the monitor's functions.
extern "C" __declspec(dllexport) LPMONITOR2 WINAPI
    InitializePrintMonitor2(PMONITORINIT init, PHANDLE monitor) {
    static MONITOR2 table = pf::pdfwriter::MakeMonitor();
    if (init == nullptr || monitor == nullptr) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    *monitor = &table; // the monitor keeps no state of its own: any non-null handle does
    return &table;
}

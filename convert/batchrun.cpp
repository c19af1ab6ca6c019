#include "batchrun.h"

#include "apptitle.h"
#include "errortrap.h"
#include "form.h"
#include "locations.h"
#include "pdfwriter.h"
#include "platform.h"
#include "printerrecord.h"
#include "printers.h"
#include "wordpad.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_set>

namespace pf {

namespace {

constexpr std::size_t kListedFailures = 20;
constexpr int kPrinterPollMilliseconds = 100;
// The longest single wait of a pause: it keeps the milliseconds in range and lets every midnight count.
constexpr double kLongestWaitSeconds = 3600.0;

// The pause box's value when it reads as a number, read afresh at every use.
std::optional<double> PauseSeconds(const Form& form) {
    return platform::ParseLocaleNumber(form.Text2());
}

void QuarterPause(Form& form) {
    if (const auto seconds = PauseSeconds(form)) {
        Pause(form, *seconds / 4);
    }
}

// What one entry of the run works with.
struct Entry {
    std::string inputPath;
    std::string outputPath;
    std::string temporaryPath;
    std::optional<std::string> outputBefore; // the output file as it was before printing
    bool pointedAtOutput = false;            // the PDF printer's values name this entry's output
    bool copied = false;
    std::int32_t exitCode = -1; // -1 until the text printer has run
};

// A run's steps over the list, each numbered for the error report.
class Run {
public:
    Run(Form& form, ErrorTrap& trap) : m_form(form), m_trap(trap), m_printerLock("pdf-printer") {}
    ~Run() {
        if (!m_runFolder.empty()) {
            platform::RemoveRunFolder(m_runFolder);
        }
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    void ConvertAll() {
        // The temporary copies of this run go to a folder of its own, so two windows never share one.
        m_trap.Run(164, [&] { m_runFolder = platform::MakeRunFolder(); });
        long count = 0;
        m_trap.Run(114, [&] { count = m_form.RowCount(); });
        for (long i = 1; i <= count && !m_form.IsClosing(); ++i) {
            if (!ConvertEntry(i)) {
                break;
            }
        }
    }

    // Every listed input, for a run that could not print at all.
    void FailAll(const std::string& reason) {
        for (long i = 1; i <= m_form.RowCount(); ++i) {
            m_failed.push_back({m_form.RowText(i), reason});
        }
    }

    const std::vector<NotConverted>& Failed() const { return m_failed; }

private:
    // False when the run ends here: the list has no rows left from this index on, or the printer's lock
    // cannot be taken.
    bool ConvertEntry(long i) {
        Entry entry;
        m_trap.Run(116, [&] { m_form.DoEvents(); });
        m_trap.Run(118, [&] { ShowProgress(i); });
        bool listed = false;
        m_trap.Run(120, [&] {
            entry.inputPath = m_form.RowText(i);
            listed = true;
        });
        if (!listed) {
            // The row was removed during the run: it is reported, and the rows that remain go on.
            return i < m_form.RowCount();
        }
        m_trap.Run(122, [&] { m_form.SetProgressCaption("Processing: " + GetFileName(entry.inputPath)); });
        m_trap.Run(124, [&] { m_form.DoEvents(); });
        std::string outputName;
        m_trap.Run(126, [&] { outputName = OutputNameFor(entry.inputPath); });
        m_trap.Run(142, [&] { QuarterPause(m_form); });
        if (!m_trap.Test(
                146, [&] { return TakePrinter(); }, false)) {
            return false; // the window closed while another run printed, or the lock failed: the run ends
        }
        PrintEntry(entry, outputName);
        if (entry.exitCode == 0) { // a spooler may still be writing the PDF: wait up to a minute for it
            platform::AwaitPrinterJobs(
                kPdfPrinterName, [&] { return m_form.IsClosing() || HasNewOutput(entry); },
                [&](int milliseconds) { m_form.WaitWithEvents(milliseconds); }, 60000);
        }
        // The PDF is written once the text printer has ended; only then may another run point the PDF
        // printer elsewhere.
        const std::string reason = WhyNotConverted(entry);
        m_printerLock.Unlock();
        m_trap.Run(182, [&] { QuarterPause(m_form); });
        if (!reason.empty()) {
            m_failed.push_back({entry.inputPath, reason});
        }
        return true;
    }

    // Points the PDF printer at the entry's output, copies the input and prints the copy.
    void PrintEntry(Entry& entry, const std::string& outputName) {
        m_trap.Run(148, [&] {
            entry.outputPath = UniqueOutputPath(m_form.Text1() + platform::PathSeparator() + outputName);
        });
        m_trap.Run(150, [&] {
            WritePdfWriterValue(kOutputFileValue, entry.outputPath);
            entry.pointedAtOutput = true;
        });
        m_trap.Run(152, [&] { WritePdfWriterValue(kBypassSaveAsValue, "1"); });
        m_trap.Run(156, [&] { QuarterPause(m_form); });
        m_trap.At(160);
        m_trap.Run(162, [&] { m_form.SetPointer(MousePointer::Hourglass); });
        if (!m_runFolder.empty()) {
            m_trap.Run(164,
                       [&] { entry.temporaryPath = m_runFolder + platform::PathSeparator() + "temp.txt"; });
            m_trap.Run(166, [&] { RemoveFile(m_form, entry.temporaryPath); });
            m_trap.Run(174, [&] { entry.copied = SafeCopyFile(entry.inputPath, entry.temporaryPath); });
        }
        m_trap.Run(176, [&] { QuarterPause(m_form); });
        if (entry.copied && entry.pointedAtOutput) {
            // Printing without a fresh copy would print the previous file again, and printing without
            // this entry's output path would overwrite the previous PDF.
            m_trap.Run(180, [&] { Print(entry); });
        }
    }

    // Waits, letting window messages run, while another run prints through the PDF printer: its values
    // steer one job at a time. False when the window closed first.
    bool TakePrinter() {
        while (!m_printerLock.TryLockExclusive()) {
            if (m_form.IsClosing()) {
                return false;
            }
            m_form.WaitWithEvents(kPrinterPollMilliseconds);
        }
        return true;
    }

    // "" for an entry whose PDF was written, else a short reason for the closing message.
    static std::string WhyNotConverted(const Entry& entry) {
        if (!entry.copied && !platform::CanOpenExistingFile(entry.inputPath)) {
            return "cannot be read";
        }
        if (!entry.pointedAtOutput) {
            return "the PDF printer's values could not be written";
        }
        if (!entry.copied) {
            return "no temporary copy could be made";
        }
        if (entry.exitCode >= kStartFailureBase && entry.exitCode < kStartFailureBase + 0x10000) {
            return "the text printer could not be started";
        }
        const bool written = entry.exitCode == 0 && HasNewOutput(entry);
        if (!written && !platform::CanCreateFilesIn(GetFolderPart(entry.outputPath))) {
            return "the output folder cannot be written";
        }
        if (entry.exitCode != 0) {
            return "the text printer failed (exit " + std::to_string(entry.exitCode) + ")";
        }
        return written ? std::string() : "no PDF appeared";
    }

    void ShowProgress(long i) {
        const long rows = m_form.RowCount();
        if (rows == 0) {
            throw RuntimeError(11);
        }
        m_form.SetProgress(static_cast<double>(i) / static_cast<double>(rows) * 100.0);
    }

    void Print(Entry& entry) {
        entry.outputBefore = platform::FileIdentity(entry.outputPath);
        const std::string commandLine = TextPrinterPath() + " /p \"" + entry.temporaryPath + "\"";
        entry.exitCode = ShellAndWait(m_form, commandLine);
    }

    static bool HasNewOutput(const Entry& entry) {
        const auto after = platform::FileIdentity(entry.outputPath);
        return after.has_value() && after != entry.outputBefore;
    }

    // Two inputs of one run that map to the same PDF never overwrite each other: the later one gets
    // "name (2).pdf", "name (3).pdf", ... Names are compared as the output's file system compares them.
    // A PDF from before the run is replaced.
    std::string UniqueOutputPath(const std::string& wanted) {
        const std::string name = GetFileName(wanted);
        const auto dot = name.rfind('.');
        std::string candidate = wanted;
        for (int n = 2; !m_used.insert(platform::FileNameKey(candidate)).second; ++n) {
            candidate = GetFolderPart(wanted) + name.substr(0, dot) + " (" + std::to_string(n) + ")" +
                        (dot == std::string::npos ? "" : name.substr(dot));
        }
        return candidate;
    }

    Form& m_form;
    ErrorTrap& m_trap;
    platform::UserLock m_printerLock;
    std::string m_runFolder;
    std::unordered_set<std::string> m_used; // output paths of this run, as the file system compares them
    std::vector<NotConverted> m_failed;
};

} // namespace

void BatchRun::PushButton2_Click(Form& form) {
    ErrorTrap trap(form.Ui(), loc::kPushButton2Click);
    if (trap.Test(
            100, [&] { return m_converting; }, false)) {
        return;
    }
    trap.Run(102, [&] { m_converting = true; });
    int messageLine = 0;
    std::string message;
    if (trap.Test(
            104, [&] { return form.RowCount() == 0; }, false)) {
        messageLine = 206;
        message = "No files added.";
    } else if (trap.Test(
                   106, [&] { return !platform::IsExistingFolder(form.Text1()); }, false)) {
        messageLine = 204;
        message = "Folder does not exist. Please select another folder.";
    } else {
        messageLine = 202;
        message = DoneMessage(ConvertList(form, trap));
    }
    if (!form.IsClosing()) {
        trap.Run(messageLine, [&] {
            form.Ui().ShowMessage(message, ApplicationTitle(), MessageButtons::Ok, MessageIcon::None);
        });
    }
    trap.Run(208, [&] { m_converting = false; });
}

std::vector<NotConverted> BatchRun::ConvertList(Form& form, ErrorTrap& trap) {
    trap.Run(108, [&] { form.SetPointer(MousePointer::Hourglass); });
    trap.Run(110, [&] { GetDefaultPrinter(form.Ui()); });
    // What the run changes for every program of the user is recorded first, so that even a killed run
    // has it put back (by the next start).
    PrinterRecord record;
    trap.Run(111, [&] { record.Begin(); });
    Run run(form, trap);
    if (!record.HoldsRun()) {
        // Without the locks this run cannot tell whether another one is printing: it changes nothing.
        run.FailAll("the run's locks could not be taken");
    } else if (trap.Test(
                   112, [&] { return !SetDefaultPrinter(kPdfPrinterName); }, false)) {
        run.FailAll("the PDF printer could not be made the default printer");
    } else {
        run.ConvertAll();
    }
    trap.Run(188, [&] { record.End(); });
    trap.Run(190, [&] { form.SetPointer(MousePointer::Default); });
    trap.Run(192, [&] { form.SetProgress(0); });
    trap.Run(194, [&] { form.SetProgressCaption("Progress Bar"); });
    return run.Failed();
}

void Pause(Form& form, double seconds) {
    if (!(seconds > 0)) {
        return;
    }
    // Waits for messages instead of spinning, the remaining time bounding each wait; the clock restarts
    // at midnight, so the time is added up wait by wait.
    double last = form.SecondsSinceMidnight();
    double elapsed = 0;
    while (elapsed < seconds && !form.IsClosing()) {
        const double wait = std::min(seconds - elapsed, kLongestWaitSeconds);
        form.WaitWithEvents(static_cast<int>(std::ceil(wait * 1000.0)));
        const double now = form.SecondsSinceMidnight();
        elapsed += now >= last ? now - last : now + 86400.0 - last;
        last = now;
    }
}

void RemoveFile(Form& form, const std::string& path) {
    form.DoEvents();
    if (!platform::DeleteFileQuietly(path)) {
        platform::ForceDeleteFile(path);
    }
}

bool SafeCopyFile(const std::string& source, const std::string& target) {
    const auto isBlank = [](const std::string& text) {
        return text.find_first_not_of(' ') == std::string::npos;
    };
    if (isBlank(source) || isBlank(target)) {
        return false;
    }
    const std::string from = platform::NormalizeSeparators(source);
    const std::string to = platform::NormalizeSeparators(target);
    if (!platform::CanOpenExistingFile(from) || !platform::IsExistingFolder(GetFolderPart(to))) {
        return false;
    }
    try {
        platform::CopyFileReplacing(from, to);
        return true;
    } catch (const RuntimeError&) {
        return false;
    }
}

std::string GetFileName(const std::string& path) {
    return std::string(platform::FileNamePart(path));
}

std::string GetFolderPart(const std::string& path) {
    return std::string(platform::FolderPart(path));
}

std::string OutputNameFor(const std::string& inputPath) {
    const std::string name = GetFileName(inputPath);
    const auto dot = name.rfind('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + ".pdf";
}

std::string DoneMessage(const std::vector<NotConverted>& failedInputs) {
    std::string message = "Done.";
    if (failedInputs.empty()) {
        return message;
    }
    message += "\r\n\r\nNot converted:";
    for (std::size_t i = 0; i < failedInputs.size() && i < kListedFailures; ++i) {
        message += "\r\n" + failedInputs[i].input + ": " + failedInputs[i].reason;
    }
    if (failedInputs.size() > kListedFailures) {
        message += "\r\nand " + std::to_string(failedInputs.size() - kListedFailures) + " more.";
    }
    return message;
}

} // namespace pf

#include "batchrun.h"

#include "apptitle.h"
#include "errortrap.h"
#include "filelist.h"
#include "folderwalk.h"
#include "form.h"
#include "locations.h"
#include "pdfwriter.h"
#include "platform.h"
#include "printers.h"
#include "wordpad.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <unordered_set>

namespace pf {

namespace {

constexpr std::size_t kListedFailures = 20;

// The pause box's value when it reads as a number, read afresh at every use.
std::optional<double> PauseSeconds(const Form& form) {
    return platform::ParseLocaleNumber(form.Text2());
}

void QuarterPause(Form& form) {
    if (const auto seconds = PauseSeconds(form)) {
        Pause(form, *seconds / 4);
    }
}

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
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
    Run(Form& form, ErrorTrap& trap) : m_form(form), m_trap(trap) {}

    void ConvertAll() {
        long count = 0;
        m_trap.Run(114, [&] { count = m_form.RowCount(); });
        for (long i = 1; i <= count && !m_form.IsClosing(); ++i) {
            if (!ConvertEntry(i)) {
                break;
            }
        }
    }

    // Every listed input, for a run that could not print at all.
    void FailAll() {
        for (long i = 1; i <= m_form.RowCount(); ++i) {
            m_failed.push_back(m_form.RowText(i));
        }
    }

    const std::vector<std::string>& Failed() const { return m_failed; }

private:
    // False when the list has no rows left from this index on.
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
        m_trap.At(146);
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
        m_trap.Run(164, [&] {
            entry.temporaryPath = platform::PrivateTempFolder() + platform::PathSeparator() + "temp.txt";
        });
        m_trap.Run(166, [&] { RemoveFile(m_form, entry.temporaryPath); });
        m_trap.Run(174, [&] { entry.copied = SafeCopyFile(entry.inputPath, entry.temporaryPath); });
        m_trap.Run(176, [&] { QuarterPause(m_form); });
        if (entry.copied && entry.pointedAtOutput) {
            // Printing without a fresh copy would print the previous file again, and printing without
            // this entry's output path would overwrite the previous PDF.
            m_trap.Run(180, [&] { Print(entry); });
        }
        m_trap.Run(182, [&] { QuarterPause(m_form); });
        if (entry.exitCode == 0) { // a spooler may still be writing the PDF: wait up to a minute for it
            platform::AwaitPrinterJobs(
                kPdfPrinterName, [&] { return m_form.IsClosing() || HasNewOutput(entry); },
                [&](int milliseconds) { m_form.WaitWithEvents(milliseconds); }, 60000);
        }
        if (entry.exitCode != 0 || !HasNewOutput(entry)) {
            m_failed.push_back(entry.inputPath);
        }
        return true;
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
        const std::string commandLine = GetWordPadPath() + " /p \"" + entry.temporaryPath + "\"";
        entry.exitCode = ShellAndWait(m_form, commandLine);
    }

    static bool HasNewOutput(const Entry& entry) {
        const auto after = platform::FileIdentity(entry.outputPath);
        return after.has_value() && after != entry.outputBefore;
    }

    // Two inputs of one run that map to the same PDF never overwrite each other: the later one gets
    // "name (2).pdf", "name (3).pdf", ... Letter case is ignored, so this holds on case-blind folders too.
    // A PDF from before the run is replaced.
    std::string UniqueOutputPath(const std::string& wanted) {
        const std::string name = GetFileName(wanted);
        const auto dot = name.rfind('.');
        std::string candidate = wanted;
        for (int n = 2; !m_used.insert(LowerCase(candidate)).second; ++n) {
            candidate = GetFolderPart(wanted) + name.substr(0, dot) + " (" + std::to_string(n) + ")" +
                        (dot == std::string::npos ? "" : name.substr(dot));
        }
        return candidate;
    }

    Form& m_form;
    ErrorTrap& m_trap;
    std::unordered_set<std::string> m_used; // output paths of this run, in lower case
    std::vector<std::string> m_failed;
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
                   106, [&] { return !FolderExists(form.Text1()); }, false)) {
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

std::vector<std::string> BatchRun::ConvertList(Form& form, ErrorTrap& trap) {
    trap.Run(108, [&] { form.SetPointer(MousePointer::Hourglass); });
    std::string savedPrinter;
    trap.Run(110, [&] { savedPrinter = GetDefaultPrinter(form.Ui()); });
    Run run(form, trap);
    if (trap.Test(
            112, [&] { return !SetDefaultPrinter(kPdfPrinterName); }, false)) {
        run.FailAll();
    } else {
        run.ConvertAll();
    }
    trap.Run(188, [&] { SetDefaultPrinter(savedPrinter); });
    trap.Run(190, [&] { form.SetPointer(MousePointer::Default); });
    trap.Run(192, [&] { form.SetProgress(0); });
    trap.Run(194, [&] { form.SetProgressCaption("Progress Bar"); });
    return run.Failed();
}

void Pause(Form& form, double seconds) {
    if (!(seconds > 0)) {
        return;
    }
    const double start = form.SecondsSinceMidnight();
    for (;;) {
        const double now = form.SecondsSinceMidnight();
        const double elapsed = now >= start ? now - start : now + 86400.0 - start;
        if (elapsed >= seconds || form.IsClosing()) {
            return;
        }
        // Wait for messages instead of spinning; the remaining time bounds each wait.
        form.WaitWithEvents(static_cast<int>(std::ceil((seconds - elapsed) * 1000.0)));
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
    const std::string from = NormalizePath(source);
    const std::string to = NormalizePath(target);
    if (!IsExistingFile(from) || !FolderExists(GetFolderPart(to))) {
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
    const auto separator = path.rfind(platform::PathSeparator());
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string GetFolderPart(const std::string& path) {
    const auto separator = path.rfind(platform::PathSeparator());
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string OutputNameFor(const std::string& inputPath) {
    const std::string name = GetFileName(inputPath);
    const auto dot = name.rfind('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + ".pdf";
}

std::string DoneMessage(const std::vector<std::string>& failedInputs) {
    std::string message = "Done.";
    if (failedInputs.empty()) {
        return message;
    }
    message += "\r\n\r\nNot converted:";
    for (std::size_t i = 0; i < failedInputs.size() && i < kListedFailures; ++i) {
        message += "\r\n" + failedInputs[i];
    }
    if (failedInputs.size() > kListedFailures) {
        message += "\r\nand " + std::to_string(failedInputs.size() - kListedFailures) + " more.";
    }
    return message;
}

} // namespace pf

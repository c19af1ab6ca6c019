#include "wordpad.h"

#include "form.h"
#include "platform.h"

namespace pf {

namespace {
constexpr const char* kWordPadServerKey = R"(Wordpad.Document.1\Protocol\StdFileEditing\Server)";
constexpr int kPollMilliseconds = 100;
constexpr const char* kShippedTextPrinter = "plumavert-textprint";
} // namespace

std::string GetWordPadPath() {
    std::string path = platform::ReadClassRegistration(kWordPadServerKey);
    // The value is read as a C string: it ends at its first NUL.
    path.resize(path.find('\0') == std::string::npos ? path.size() : path.find('\0'));
    return path;
}

std::string TextPrinterPath() {
    std::string path = GetWordPadPath();
    if (path.empty()) {
        path = "\"" + platform::InProgramFolder(platform::ProgramFileName(kShippedTextPrinter)) + "\"";
    }
    return path;
}

std::int32_t ShellAndWait(Form& form, const std::string& commandLine, int windowStyle) {
    if (windowStyle < 0 || windowStyle > 6) {
        windowStyle = kDefaultWindowStyle;
    }
    const platform::StartedProcess process = platform::StartCommandLine(commandLine, windowStyle);
    if (!process.started) {
        return kStartFailureBase + process.errorNumber;
    }
    std::uint32_t exitCode = 0;
    do {
        // A process that cannot be queried counts as ended with 0, so the wait never hangs on it.
        exitCode = platform::ProcessExitCode(process.id).value_or(0);
        form.WaitWithEvents(kPollMilliseconds);
    } while (exitCode == platform::kStillActive);
    platform::CloseProcess(process.id);
    return static_cast<std::int32_t>(exitCode);
}

} // namespace pf

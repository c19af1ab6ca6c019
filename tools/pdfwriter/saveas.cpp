#include "saveas.h"

#include "platform.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace pf::pdfwriter {

namespace {

constexpr const char* kDialogProgram = "tarnwicke-pdf-writer-saveas";

bool HasDisplay() {
    constexpr std::array kDisplayVariables = {"DISPLAY", "WAYLAND_DISPLAY"};
    return std::any_of(kDisplayVariables.begin(), kDisplayVariables.end(), [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && value[0] != '\0';
    });
}

} // namespace

SaveAsAnswer AskSaveAs(const std::string& suggestion) {
    if (!HasDisplay()) {
        return {"", "BypassSaveAs is not \"1\" and there is no display to ask for a file name on"};
    }
    const std::string program = platform::ProgramFolder() + "/" + kDialogProgram;
    // The dialog prints the chosen path and exits 0, or exits non-zero when cancelled. Its own messages
    // go nowhere, so the printer's one line of complaint stays the last.
    const auto ran = platform::RunProgram(program, {suggestion});
    if (!ran || ran->exitCode < 0) {
        return {"", "the Save As dialog " + program + " could not be started"};
    }
    std::string output = ran->output;
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) {
        output.pop_back();
    }
    if (ran->exitCode != 0 || output.empty()) {
        return {"", "the Save As dialog was cancelled"};
    }
    return {output, ""};
}

} // namespace pf::pdfwriter

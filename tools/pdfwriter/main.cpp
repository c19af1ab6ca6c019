// tarnwicke-pdf-writer: the virtual printer "Tarnwicke PDF Writer".
//   --install / --uninstall   adds or removes the printer (port CPW2:) for the current user
//   --print DOCUMENT          takes one print job on standard input and writes it as a PDF file to the
//                             path in OutputFile (or one the user picks when BypassSaveAs is not "1")
// Exit status 0 on success, else 1 with one line on standard error saying why.

#include "jobformat.h"
#include "outputfile.h"
#include "pdfdocument.h"
#include "pdfprinter.h"
#include "platform.h"
#include "saveas.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

using namespace pf;

int Fail(const std::string& reason) {
    std::fprintf(stderr, "%s: %s\n", kPdfPrinterName, reason.c_str());
    return 1;
}

int Install() {
    try {
        platform::AddPrinter({kPdfPrinterName, kPdfPrinterPort});
    } catch (const RuntimeError& failure) {
        return Fail(std::string("cannot install the printer: ") + failure.what());
    }
    std::printf("%s is installed on port %s.\n", kPdfPrinterName, kPdfPrinterPort);
    return 0;
}

int Uninstall() {
    try {
        platform::RemovePrinter(kPdfPrinterName);
    } catch (const RuntimeError& failure) {
        return Fail(std::string("cannot remove the printer: ") + failure.what());
    }
    std::printf("%s is removed.\n", kPdfPrinterName);
    return 0;
}

// The base name of the output file, the PDF's title: its file name without the extension.
std::string TitleOf(const std::string& target) {
    const std::string name(platform::FileNamePart(target));
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Where this job goes: OutputFile when BypassSaveAs is exactly "1", else the user's choice.
// Values that cannot be read fail the job: taking them for missing ones would open the Save As dialog.
bool ChooseTarget(const std::string& documentName, std::string& target, std::string& error) {
    std::string outputFile;
    std::string bypass;
    try {
        outputFile = platform::ReadStoredValue(platform::Store::PdfWriter, kOutputFileValue).value_or("");
        bypass = platform::ReadStoredValue(platform::Store::PdfWriter, kBypassSaveAsValue).value_or("");
    } catch (const RuntimeError& failure) {
        error = failure.what();
        return false;
    }
    if (bypass == "1") {
        target = outputFile;
        error = target.empty() ? "no output file is set (OutputFile is empty)" : "";
        return !target.empty();
    }
    const std::string suggestion = outputFile.empty() ? TitleOf(documentName) + ".pdf" : outputFile;
    const pdfwriter::SaveAsAnswer answer = pdfwriter::AskSaveAs(suggestion);
    target = answer.path;
    error = answer.error;
    return !target.empty();
}

std::size_t ReadInput(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, size);
        if (n >= 0) {
            return static_cast<std::size_t>(n);
        }
        if (errno != EINTR) {
            return 0;
        }
    }
}

int Print(const std::string& documentName) {
    // The text printer may be gone by the time its printer complains; the complaint must not kill us
    // before the temporary file is cleaned up.
    std::signal(SIGPIPE, SIG_IGN);
    std::string target;
    std::string error;
    if (!ChooseTarget(documentName, target, error)) {
        return Fail(error);
    }
    pdfwriter::OutputFile output(target);
    if (output.File() == nullptr) {
        return Fail(output.Error());
    }
    pdfwriter::PdfDocument document(output.File(), TitleOf(target));
    error = printjob::ReadJob(ReadInput, document);
    if (!error.empty() && !document.Error().empty()) {
        error = document.Error();
    }
    if (error.empty()) {
        error = document.Finish();
    }
    if (error.empty()) {
        error = output.Commit();
    }
    return error.empty() ? 0 : Fail(error);
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (argc == 2 && command == "--install") {
        return Install();
    }
    if (argc == 2 && command == "--uninstall") {
        return Uninstall();
    }
    if (argc == 3 && command == "--print") {
        return Print(argv[2]);
    }
    std::fprintf(stderr, "usage: tarnwicke-pdf-writer --install | --uninstall | --print DOCUMENT\n");
    return 2;
}

// pf_fake_textprint: the text printer's stand-in for the batch run's tests on Windows, registered where
// the run looks for the text printer. "/p FILE" logs the call (FILE, the PDF printer's OutputFile and
// BypassSaveAs, FILE's text) to FAKE_LOG, then copies FILE to OutputFile as the PDF printer would.
// FAKE_EXIT, FAKE_SLEEP (seconds) and FAKE_WRITE=0 make it fail, linger or print nothing. FAKE_PRINTER_LOG
// names a file that gets the default printer's name, one line per call.

#include "platform.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::string Environment(const char* name, const char* otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : otherwise;
}

} // namespace

int main(int argc, char** argv) {
    using pf::platform::ReadStoredValue;
    using pf::platform::Store;
    if (argc < 3 || std::string(argv[1]) != "/p") {
        return 64;
    }
    const std::string file = argv[2];
    const std::string output = ReadStoredValue(Store::PdfWriter, "OutputFile").value_or("");
    const std::string bypass = ReadStoredValue(Store::PdfWriter, "BypassSaveAs").value_or("");
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    const std::string log = Environment("FAKE_LOG", "");
    if (!log.empty()) {
        std::ofstream(log, std::ios::binary | std::ios::app)
            << file << '|' << output << '|' << bypass << '|' << text.str() << '\n';
    }
    const std::string printerLog = Environment("FAKE_PRINTER_LOG", "");
    if (!printerLog.empty()) {
        std::string printer;
        try {
            printer = pf::platform::DefaultPrinterName();
        } catch (const pf::RuntimeError&) {
            printer = "(none)";
        }
        std::ofstream(printerLog, std::ios::binary | std::ios::app) << printer << '\n';
    }
    std::this_thread::sleep_for(std::chrono::seconds(std::atoi(Environment("FAKE_SLEEP", "0").c_str())));
    if (Environment("FAKE_WRITE", "1") == "1") {
        try {
            pf::platform::CopyFileReplacing(file, output);
        } catch (const pf::RuntimeError&) {
            return 3;
        }
    }
    return std::atoi(Environment("FAKE_EXIT", "0").c_str());
}

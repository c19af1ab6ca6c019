#include "fakeprinting.h"

#include "pdfprinter.h"
#include "platform.h"

#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace pf::test {

#ifdef _WIN32
constexpr const char* kTextPrinterKey = "Wordpad.Document.1\\Protocol\\StdFileEditing\\Server";
#endif

FakePrinting::FakePrinting(const TempHome& home) : m_home(home) {
    home.MakeFolder("program");
    platform::OverrideProgramFolder(home.Root() + NativeSeparators("/program"));
#ifdef _WIN32
    RegisterTextPrinter("\"" + RunningProgramFolder() + "\\" PF_FAKE_TEXTPRINT "\"");
#else
    RegisterTextPrinter("/bin/sh \"" + std::string(PF_FAKE_TEXTPRINT) + "\"");
#endif
    platform::AddPrinter({kOtherPrinter, "lp0:"});
    platform::MakeDefaultPrinter(kOtherPrinter);
    platform::AddPrinter({kPdfPrinterName, kPdfPrinterPort});
    m_log = home.Root() + NativeSeparators("/calls.log");
    SetEnvironment("FAKE_LOG", m_log);
}

FakePrinting::~FakePrinting() {
    platform::OverrideProgramFolder("");
#ifdef _WIN32
    SetClassRegistration(kTextPrinterKey, std::nullopt);
#endif
    for (const char* name : {"FAKE_LOG", "FAKE_EXIT", "FAKE_WRITE", "FAKE_SLEEP"}) {
        SetEnvironment(name, std::nullopt);
    }
}

std::vector<std::string> FakePrinting::Calls() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(m_log));
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

void FakePrinting::RegisterTextPrinter(const std::string& commandLine) const {
#ifdef _WIN32
    SetClassRegistration(kTextPrinterKey, commandLine);
#else
    m_home.WriteFile("program/classes.conf",
                     "[Wordpad.Document.1\\\\Protocol\\\\StdFileEditing\\\\Server]\n@=" + commandLine + "\n");
#endif
}

void FakePrinting::ShipTextPrinterInsteadOfRegisteringIt() const {
    const std::string shipped =
        m_home.Root() + NativeSeparators("/program/") + platform::ProgramFileName("plumavert-textprint");
#ifdef _WIN32
    SetClassRegistration(kTextPrinterKey, std::nullopt);
    fs::copy_file(FsPath(RunningProgramFolder() + "\\" PF_FAKE_TEXTPRINT), FsPath(shipped));
#else
    fs::remove(m_home.Root() + "/program/classes.conf");
    m_home.WriteFile("program/plumavert-textprint",
                     "#!/bin/sh\nexec /bin/sh \"" + std::string(PF_FAKE_TEXTPRINT) + "\" \"$@\"\n");
    fs::permissions(shipped, fs::perms::owner_all);
#endif
}

} // namespace pf::test

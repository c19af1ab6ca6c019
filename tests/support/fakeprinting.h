#pragma once

#include "temphome.h"

#include <string>
#include <vector>

namespace pf::test {

// A batch run's surroundings in a temporary home: a stand-in text printer registered (in classes.conf
// beside a fake program folder on Linux, in the class registrations on Windows), the PDF printer
// installed and another printer as the user's default. The stand-in logs every call; the registration
// and its variables go with the object.
class FakePrinting {
public:
    static constexpr const char* kOtherPrinter = "Office Laser";

    explicit FakePrinting(const TempHome& home);
    ~FakePrinting();
    FakePrinting(const FakePrinting&) = delete;
    FakePrinting& operator=(const FakePrinting&) = delete;

    // The stand-in's calls, one a line: temporary path, OutputFile, BypassSaveAs and the copy's text.
    std::vector<std::string> Calls() const;
    const std::string& Log() const { return m_log; }

    // Registers the text printer's command line as the class registration holds it.
    void RegisterTextPrinter(const std::string& commandLine) const;

    // Takes the registration away and puts the stand-in into the program folder as the shipped text
    // printer.
    void ShipTextPrinterInsteadOfRegisteringIt() const;

private:
    const TempHome& m_home;
    std::string m_log;
};

} // namespace pf::test

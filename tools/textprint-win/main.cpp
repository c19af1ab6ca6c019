// plumavert-textprint.exe /p FILE: prints a plain-text file to the default printer and ends, where
// Windows has no WordPad to do it. Exit code 0 when the spooler took the whole document; otherwise 1 (2
// for a wrong command line) with one line on standard error saying why.

#include "layout.h"
#include "platform.h"
#include "printer.h"
#include "textprinter.h"
#include "widetext.h"

#include <optional>
#include <string>

namespace {

using namespace pf;
using namespace pf::textprint;

// A GDI document on the default printer, laid out inside its text area with Uniscribe.
class GdiDevice : public PrintDevice {
public:
    std::string Open(const std::string& path) override {
        if (m_printer.Dc() == nullptr) {
            return m_printer.Reason();
        }
        const PageArea area = m_printer.TextArea();
        if (area.right <= area.left || area.bottom <= area.top) {
            return "the default printer has no paper size to print on";
        }
        m_document.emplace(m_printer.Dc(), platform::win::ToWide(platform::FileNamePart(path)));
        if (!m_document->Ok()) {
            return m_document->Reason();
        }
        m_layout.emplace(m_printer.Dc(), area, *m_document);
        return {};
    }

    PageFlow& Layout() override { return *m_layout; }
    bool Ok() const override { return m_document->Ok(); }

    // An unfinished document is aborted when it goes.
    std::string Close(bool complete) override {
        m_layout.reset();
        return complete && m_document->Finish() ? std::string() : m_document->Reason();
    }

private:
    const DefaultPrinter m_printer;
    std::optional<PrintDocument> m_document;
    std::optional<PageLayout> m_layout;
};

} // namespace

int main(int argc, char** argv) {
    GdiDevice device;
    return RunTextPrinter(platform::ProgramArguments(argc, argv), device);
}

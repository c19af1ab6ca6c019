// plumavert-textprint /p FILE: prints a plain-text file to the default printer and ends. Exit status 0
// when the printer took the whole document; otherwise 1 (2 for a wrong command line) with one line on
// standard error saying why.

#include "fonts.h"
#include "jobformat.h"
#include "layout.h"
#include "platform.h"
#include "textprinter.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

using namespace pf;
using namespace pf::textprint;

// A print job to the default printer, laid out with the fonts fontconfig finds. A character no installed
// font has prints as a box and is named once on standard error.
class JobDevice : public PrintDevice {
public:
    std::string Open(const std::string& path) override {
        m_opened = platform::StartPrintJob(std::string(platform::FileNamePart(path)));
        if (!m_opened.job) {
            return m_opened.reason;
        }
        m_writer.emplace([this](std::string_view data) { return m_opened.job->Write(data); });
        m_fonts.emplace(FontSet::StandardChoices(), kFontPoints);
        m_fonts->OnMissing([path](char32_t ch) {
            std::fprintf(stderr,
                         "plumavert-textprint: %s: no installed font has U+%04X; it prints as a box\n",
                         path.c_str(), static_cast<unsigned>(ch));
        });
        m_layout.emplace(*m_fonts,
                         PaperForLocale(std::getenv("LC_ALL"), std::getenv("LC_PAPER"), std::getenv("LANG")),
                         *m_writer);
        return {};
    }

    PageFlow& Layout() override { return *m_layout; }
    bool Ok() const override { return m_writer->Ok(); }

    // A job that did not get its end mark is thrown away by the printer.
    std::string Close(bool complete) override {
        if (complete) {
            m_writer->Finish();
        }
        const platform::PrintResult result = m_opened.job->Finish();
        return result.printed ? std::string() : result.reason;
    }

private:
    platform::OpenedJob m_opened;
    std::optional<printjob::JobWriter> m_writer;
    std::optional<FontSet> m_fonts;
    std::optional<PageLayout> m_layout;
};

} // namespace

int main(int argc, char** argv) {
    JobDevice device;
    return RunTextPrinter(platform::ProgramArguments(argc, argv), device);
}

// plumavert-textprint /p FILE: prints a plain-text file to the default printer and ends. Exit status 0
// when the printer took the whole document; otherwise 1 (2 for a wrong command line) with one line on
// standard error saying why.

#include "decoder.h"
#include "detect.h"
#include "fonts.h"
#include "jobformat.h"
#include "layout.h"
#include "platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace pf;
using namespace pf::textprint;

constexpr std::size_t kChunk = std::size_t{256} * 1024;
constexpr float kFontSize = 10;

// The open text file, read in pieces so a file of any size needs little memory.
class InputFile {
public:
    // Opened without waiting: a pipe or a device would otherwise hold the open until someone writes to it.
    explicit InputFile(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~InputFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    int Fd() const { return m_fd; }
    // Reads the next piece; 0 at the end, -1 on a read error (errno says which).
    ssize_t Read(std::vector<unsigned char>& buffer) const {
        ssize_t n = 0;
        do {
            n = ::read(m_fd, buffer.data(), buffer.size());
        } while (n < 0 && errno == EINTR);
        return n;
    }

private:
    int m_fd;
};

// The encoding of the whole file (see DetectEncoding). Leaves the file positioned after the mark.
Bom DetectFileEncoding(InputFile& file, std::vector<unsigned char>& buffer, std::string& error) {
    const auto bom =
        DetectEncoding([&](std::vector<unsigned char>& piece) { return file.Read(piece); }, buffer);
    if (!bom || ::lseek(file.Fd(), static_cast<off_t>(bom->length), SEEK_SET) < 0) {
        error = std::strerror(errno);
    }
    return bom.value_or(Bom{});
}

// Lays the file out and hands the pages to the job. Returns "" when the whole file went out. A character
// no installed font has prints as a box and is named once on standard error.
std::string PrintFile(const std::string& path, InputFile& file, Encoding encoding,
                      printjob::JobWriter& writer) {
    FontSet fonts(FontSet::StandardChoices(), kFontSize);
    fonts.OnMissing([&path](char32_t ch) {
        std::fprintf(stderr, "plumavert-textprint: %s: no installed font has U+%04X; it prints as a box\n",
                     path.c_str(), static_cast<unsigned>(ch));
    });
    PageLayout layout(
        fonts, PaperForLocale(std::getenv("LC_ALL"), std::getenv("LC_PAPER"), std::getenv("LANG")), writer);
    TextDecoder decoder(encoding);
    std::vector<unsigned char> buffer(kChunk);
    std::u32string text;
    for (;;) {
        const ssize_t n = file.Read(buffer);
        if (n < 0) {
            return std::string("cannot read the file: ") + std::strerror(errno);
        }
        text.clear();
        if (n == 0) {
            decoder.Finish(text);
            layout.Add(text);
            break;
        }
        decoder.Decode(buffer.data(), static_cast<std::size_t>(n), text);
        layout.Add(text);
        if (!writer.Ok()) {
            return {}; // the printer gave up; its reason comes with the job's end
        }
    }
    layout.Finish();
    writer.Finish();
    return {};
}

int Fail(const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "plumavert-textprint: cannot print %s: %s\n", path.c_str(), reason.c_str());
    return 1;
}

int Print(const std::string& path) {
    InputFile file(path);
    struct stat st {};
    if (file.Fd() < 0 || ::fstat(file.Fd(), &st) != 0) {
        return Fail(path, std::strerror(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        return Fail(path, "it is not a regular file");
    }
    ::fcntl(file.Fd(), F_SETFL, ::fcntl(file.Fd(), F_GETFL) & ~O_NONBLOCK);
    std::vector<unsigned char> buffer(kChunk);
    std::string error;
    const Bom bom = DetectFileEncoding(file, buffer, error);
    if (!error.empty()) {
        return Fail(path, "cannot read the file: " + error);
    }
    platform::OpenedJob opened = platform::StartPrintJob(std::string(platform::FileNamePart(path)));
    if (!opened.job) {
        return Fail(path, opened.reason);
    }
    printjob::JobWriter writer([&](std::string_view data) { return opened.job->Write(data); });
    try {
        error = PrintFile(path, file, bom.encoding, writer);
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    // A job that did not get its end mark is thrown away by the printer: no half document comes out.
    const platform::PrintResult result = opened.job->Finish();
    if (!error.empty()) {
        return Fail(path, error);
    }
    return result.printed ? 0 : Fail(path, result.reason);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "/p") != 0 && std::strcmp(argv[1], "-p") != 0)) {
        std::fprintf(stderr, "usage: plumavert-textprint /p FILE\n");
        return 2;
    }
    return Print(argv[2]);
}

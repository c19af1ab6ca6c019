#include "shellcommand.h"

#include "pdfstructure.h"

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace pf::test {

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Runs a shell command; output is what it wrote to standard output and standard error.
Result RunShell(const std::string& command) {
    Result result;
    if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
        std::array<char, 4096> buffer{};
        while (const auto n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
            result.output.append(buffer.data(), n);
        }
        const int status = ::pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return result;
}

std::string PdfText(const std::string& pdf, const std::string& options) {
    EXPECT_TRUE(HasSoundPdfStructure(pdf));
    return RunShell("pdftotext " + options + " " + Quote(pdf) + " -").output;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : text + " ") {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f') {
            if (!word.empty()) {
                words.push_back(word);
            }
            word.clear();
        } else {
            word += c;
        }
    }
    return words;
}

} // namespace pf::test

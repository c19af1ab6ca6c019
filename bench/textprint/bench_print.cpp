// Times the text printer end to end (text in, PDF out through the PDF printer) on generated files:
// a 3 KB letter, a 1 MB text and, for memory, a large file (100 MB unless --big-mb says otherwise).
// The last three lines are the figures: small_ms (median wall time of a 3 KB file in milliseconds),
// mb_s (median seconds for 1 MB) and rss_mb (the largest peak resident set of either program).

#include "platform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

struct Measure {
    double seconds = 0;
    double peakMb = 0; // the text printer or the PDF printer it waited for, whichever was larger
};

Measure PrintOnce(const std::string& file) {
    const std::string program = std::string(PF_BIN_DIR) + "/plumavert-textprint";
    std::string arg0 = program;
    std::string arg1 = "/p";
    std::string arg2 = file;
    char* argv[] = {arg0.data(), arg1.data(), arg2.data(), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "printing %s failed\n", file.c_str());
        std::exit(1);
    }
    return {seconds, usage.ru_maxrss / 1024.0};
}

// Words of varied length in lines of varied length, with a tab and an accented word now and then.
void WriteText(const std::string& path, std::size_t size, unsigned seed) {
    static const char* kWords[] = {"the",      "quick",     "brown",  "fox",         "jumps",
                                   "over",     "lazy",      "dog",    "caf\xC3\xA9", "r\xC3\xA9sum\xC3\xA9",
                                   "printer",  "page",      "margin", "column",      "text",
                                   "\tindent", "Plumavert", "Fennic", "batch",       "PDF"};
    std::mt19937 random(seed);
    std::ofstream out(path, std::ios::binary);
    std::string line;
    std::size_t written = 0;
    while (written < size) {
        line.clear();
        const int words = 3 + static_cast<int>(random() % 16);
        for (int i = 0; i < words; ++i) {
            line += kWords[random() % std::size(kWords)];
            line += i + 1 < words ? " " : "\n";
        }
        line.resize(std::min(line.size(), size - written));
        out << line;
        written += line.size();
    }
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    int bigMb = 100;
    if (argc == 3 && std::strcmp(argv[1], "--big-mb") == 0) {
        bigMb = std::atoi(argv[2]);
    }
    std::string root = (std::filesystem::temp_directory_path() / "pf-bench-print-XXXXXX").string();
    if (::mkdtemp(root.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    ::setenv("HOME", root.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    pf::platform::AddPrinter({"Tarnwicke PDF Writer", "CPW2:"});
    pf::platform::MakeDefaultPrinter("Tarnwicke PDF Writer");
    pf::platform::WriteStoredValue(pf::platform::Store::PdfWriter, "OutputFile", root + "/out.pdf");
    pf::platform::WriteStoredValue(pf::platform::Store::PdfWriter, "BypassSaveAs", "1");
    WriteText(root + "/small.txt", 3 * 1024, 1);
    WriteText(root + "/mb.txt", 1024 * 1024, 2);

    double peakMb = 0;
    std::vector<double> small;
    std::vector<double> mb;
    PrintOnce(root + "/small.txt"); // warms the file cache
    for (int i = 0; i < 25; ++i) {
        const Measure m = PrintOnce(root + "/small.txt");
        small.push_back(m.seconds);
        peakMb = std::max(peakMb, m.peakMb);
    }
    for (int i = 0; i < 7; ++i) {
        const Measure m = PrintOnce(root + "/mb.txt");
        mb.push_back(m.seconds);
        peakMb = std::max(peakMb, m.peakMb);
    }
    std::printf("1 MB: %ju byte PDF\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(root + "/out.pdf")));
    if (bigMb > 0) {
        WriteText(root + "/big.txt", static_cast<std::size_t>(bigMb) * 1024 * 1024, 3);
        const Measure m = PrintOnce(root + "/big.txt");
        peakMb = std::max(peakMb, m.peakMb);
        std::printf("%d MB: %.2f s, peak RSS %.1f MB, %ju byte PDF\n", bigMb, m.seconds, m.peakMb,
                    static_cast<std::uintmax_t>(std::filesystem::file_size(root + "/out.pdf")));
    }
    std::filesystem::remove_all(root);
    std::printf("small_ms: %.1f\n", Median(small) * 1000);
    std::printf("mb_s: %.3f\n", Median(mb));
    std::printf("rss_mb: %.1f\n", peakMb);
    return 0;
}

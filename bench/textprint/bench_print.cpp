// Times the text printer end to end (text in, PDF out through the PDF printer) on generated files, with
// cups-filters' texttopdf run on the same files in the same run (turn by turn, so load on the machine
// falls on both alike): a 3 KB Latin letter, 1 MB of Latin text, 1 MB of mixed scripts (Latin, Greek,
// Cyrillic, Hebrew, Arabic, Devanagari, Thai, CJK) and, for memory, a 30 MB line of spaces and a large
// file (100 MB unless --big-mb says otherwise).
// The last six lines are the figures: small_ms (median wall time of the 3 KB file in milliseconds),
// texttopdf_small_ratio (ours over texttopdf's), mb_s (median seconds for 1 MB of Latin),
// texttopdf_mb_ratio, mixed_mb_s (median seconds for 1 MB of mixed scripts) and rss_mb (the largest peak
// resident set of either of our programs over every input).

#include "platform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kTexttopdf = "/usr/lib/cups/filter/texttopdf";

struct Measure {
    double seconds = 0;
    double cpuSeconds = 0; // user and system time of the program and the children it waited for
    double peakMb = 0;     // the text printer or the PDF printer it waited for, whichever was larger
};

// Runs a program to its end, its standard output going to a file; exits the benchmark when it fails.
Measure Run(std::vector<std::string> args, const std::string& output) {
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int started = ::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        std::fprintf(stderr, "cannot start %s\n", args[0].c_str());
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s %s failed\n", args[0].c_str(), args.back().c_str());
        std::exit(1);
    }
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return {seconds, cpu, usage.ru_maxrss / 1024.0};
}

Measure PrintOnce(const std::string& file) {
    return Run({std::string(PF_BIN_DIR) + "/plumavert-textprint", "/p", file}, "/dev/null");
}

// texttopdf as CUPS runs a filter: job, user, title, copies, options and the file; the PDF on its output.
Measure TexttopdfOnce(const std::string& file, const std::string& pdf) {
    return Run({kTexttopdf, "1", "bench", "bench", "1", "", file}, pdf);
}

using Vocabulary = std::vector<std::vector<const char*>>;

// Lines of 3 to 18 words from one word list of the vocabulary each, a Latin word now and then.
void WriteText(const std::string& path, std::size_t size, unsigned seed, const Vocabulary& vocabulary) {
    std::mt19937 random(seed);
    std::ofstream out(path, std::ios::binary);
    std::string line;
    std::size_t written = 0;
    while (written < size) {
        line.clear();
        const auto& words = vocabulary[random() % vocabulary.size()];
        const int count = 3 + static_cast<int>(random() % 16);
        for (int i = 0; i < count; ++i) {
            line += random() % 10 == 0 ? vocabulary[0][random() % vocabulary[0].size()]
                                       : words[random() % words.size()];
            line += i + 1 < count ? " " : "\n";
        }
        line.resize(std::min(line.size(), size - written));
        out << line;
        written += line.size();
    }
}

// Words of varied length with a tab and an accented word now and then.
const Vocabulary kLatin = {{"the",      "quick",     "brown",  "fox",         "jumps",
                            "over",     "lazy",      "dog",    "caf\xC3\xA9", "r\xC3\xA9sum\xC3\xA9",
                            "printer",  "page",      "margin", "column",      "text",
                            "\tindent", "Plumavert", "Fennic", "batch",       "PDF"}};

const Vocabulary kMixed = {
    {"the", "quick", "brown", "fox", "caf\xC3\xA9", "na\xC3\xAFve", "printer", "margin"},
    {"\xCE\xBA\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1",
     "\xCE\xBA\xCF\x8C\xCF\x83\xCE\xBC\xCE\xB5", "\xCE\xB3\xCF\x81\xCE\xAC\xCE\xBC\xCE\xBC\xCE\xB1",
     "\xCF\x86\xCF\x89\xCF\x82"},
    {"\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\xD0\xBC\xD0\xB8\xD1\x80",
     "\xD0\xBA\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0", "\xD1\x8F\xD0\xB7\xD1\x8B\xD0\xBA"},
    {"\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", "\xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D", "\xD7\xA1\xD7\xA4\xD7\xA8",
     "\xD7\xA2\xD7\x91\xD7\xA8\xD7\x99\xD7\xAA"},
    {"\xD8\xA7\xD9\x84\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85", "\xD8\xB9\xD9\x84\xD9\x8A\xD9\x83\xD9\x85",
     "\xD9\x83\xD8\xAA\xD8\xA7\xD8\xA8", "\xD8\xA7\xD9\x84\xD8\xB9\xD8\xB1\xD8\xA8\xD9\x8A\xD8\xA9"},
    {"\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87",
     "\xE0\xA4\xA6\xE0\xA5\x81\xE0\xA4\xA8\xE0\xA4\xBF\xE0\xA4\xAF\xE0\xA4\xBE",
     "\xE0\xA4\x95\xE0\xA4\xBF\xE0\xA4\xA4\xE0\xA4\xBE\xE0\xA4\xAC",
     "\xE0\xA4\xB9\xE0\xA4\xBF\xE0\xA4\xA8\xE0\xA5\x8D\xE0\xA4\xA6\xE0\xA5\x80"},
    {"\xE0\xB8\xAA\xE0\xB8\xA7\xE0\xB8\xB1\xE0\xB8\xAA\xE0\xB8\x94\xE0\xB8\xB5",
     "\xE0\xB8\x84\xE0\xB8\xA3\xE0\xB8\xB1\xE0\xB8\x9A", "\xE0\xB9\x82\xE0\xB8\xA5\xE0\xB8\x81",
     "\xE0\xB8\xAB\xE0\xB8\x99\xE0\xB8\xB1\xE0\xB8\x87\xE0\xB8\xAA\xE0\xB8\xB7\xE0\xB8\xAD"},
    {"\xE4\xBD\xA0\xE5\xA5\xBD", "\xE4\xB8\x96\xE7\x95\x8C", "\xE4\xB8\xAD\xE6\x96\x87",
     "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF"},
};

// One line of that many megabytes of spaces between two letters, written in pieces: the peak memory a
// program started from here reports includes this process's own.
void WriteSpaces(const std::string& path, int megabytes) {
    std::ofstream out(path, std::ios::binary);
    const std::string spaces(1024 * 1024, ' ');
    out << "x";
    for (int i = 0; i < megabytes; ++i) {
        out << spaces;
    }
    out << "y\n";
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Medians of ours and of texttopdf on one file, run turn by turn; ours' peak memory goes into peakMb.
std::pair<double, double> Compare(const std::string& file, const std::string& root, int runs, bool texttopdf,
                                  double& peakMb) {
    std::vector<double> ours;
    std::vector<double> cpu;
    std::vector<double> theirs;
    std::vector<double> theirCpu;
    PrintOnce(file); // warms the file cache
    for (int i = 0; i < runs; ++i) {
        const Measure m = PrintOnce(file);
        ours.push_back(m.seconds);
        cpu.push_back(m.cpuSeconds);
        peakMb = std::max(peakMb, m.peakMb);
        if (texttopdf) {
            const Measure t = TexttopdfOnce(file, root + "/texttopdf.pdf");
            theirs.push_back(t.seconds);
            theirCpu.push_back(t.cpuSeconds);
        }
    }
    // Processor time says what the machine's load hides from the wall clock.
    std::printf("%s: %.3f s, processor %.3f s", std::filesystem::path(file).filename().c_str(), Median(ours),
                Median(cpu));
    if (texttopdf) {
        std::printf("; texttopdf %.3f s, processor %.3f s", Median(theirs), Median(theirCpu));
    }
    std::printf("\n");
    return {Median(ours), texttopdf ? Median(theirs) : 0};
}

void PrintRatio(const char* name, double ours, double theirs) {
    if (theirs > 0) {
        std::printf("%s: %.2f\n", name, ours / theirs);
    } else {
        std::printf("%s: n/a (%s is not installed)\n", name, kTexttopdf);
    }
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
    ::setenv("CHARSET", "utf-8", 1); // what CUPS tells a filter about a text/plain job
    ::setenv("CONTENT_TYPE", "text/plain", 1);
    pf::platform::AddPrinter({"Tarnwicke PDF Writer", "CPW2:"});
    pf::platform::MakeDefaultPrinter("Tarnwicke PDF Writer");
    pf::platform::WriteStoredValue(pf::platform::Store::PdfWriter, "OutputFile", root + "/out.pdf");
    pf::platform::WriteStoredValue(pf::platform::Store::PdfWriter, "BypassSaveAs", "1");
    WriteText(root + "/small.txt", 3 * 1024, 1, kLatin);
    WriteText(root + "/mb.txt", 1024 * 1024, 2, kLatin);
    WriteText(root + "/mixed.txt", 1024 * 1024, 4, kMixed);
    WriteSpaces(root + "/spaces.txt", 30);
    const bool texttopdf = ::access(kTexttopdf, X_OK) == 0;

    double peakMb = 0;
    const auto [small, smallTheirs] = Compare(root + "/small.txt", root, 25, texttopdf, peakMb);
    const auto [mb, mbTheirs] = Compare(root + "/mb.txt", root, 7, texttopdf, peakMb);
    std::printf("1 MB: %ju byte PDF\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(root + "/out.pdf")));
    const double mixed = Compare(root + "/mixed.txt", root, 7, false, peakMb).first;
    std::printf("1 MB mixed: %ju byte PDF\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(root + "/out.pdf")));
    const Measure spaces = PrintOnce(root + "/spaces.txt");
    peakMb = std::max(peakMb, spaces.peakMb);
    std::printf("30 MB line of spaces: %.2f s, peak RSS %.1f MB\n", spaces.seconds, spaces.peakMb);
    if (bigMb > 0) {
        WriteText(root + "/big.txt", static_cast<std::size_t>(bigMb) * 1024 * 1024, 3, kLatin);
        const Measure m = PrintOnce(root + "/big.txt");
        peakMb = std::max(peakMb, m.peakMb);
        std::printf("%d MB: %.2f s, peak RSS %.1f MB, %ju byte PDF\n", bigMb, m.seconds, m.peakMb,
                    static_cast<std::uintmax_t>(std::filesystem::file_size(root + "/out.pdf")));
    }
    std::filesystem::remove_all(root);
    std::printf("small_ms: %.1f\n", small * 1000);
    PrintRatio("texttopdf_small_ratio", small, smallTheirs);
    std::printf("mb_s: %.3f\n", mb);
    PrintRatio("texttopdf_mb_ratio", mb, mbTheirs);
    std::printf("mixed_mb_s: %.3f\n", mixed);
    std::printf("rss_mb: %.1f\n", peakMb);
    return 0;
}

// Times "Add All Text Files In Folder" answering "*" on a large tree, through the real window (offscreen):
// the click, the walk, the listing and every row appended to the list, until the window has repainted.
// For reference it times `find TREE -type f` on the same tree in the same run, its output read through a
// pipe as the rows are read into the list. Make the tree with bench_walk_tree first. It also reports the
// heap memory the listed rows take in the running window (allocated bytes, malloc's own count, after
// the list was cleared and after it was filled and painted), scaled to 100,000 rows.

#include "form1.h"

#include <QApplication>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 5;
constexpr double kMiB = 1024.0 * 1024.0;

// Answers the extension question with "*" and the folder browser with the tree; any message is a failure.
class BenchUi : public pf::UserInterface {
public:
    explicit BenchUi(std::string tree) : m_tree(std::move(tree)) {}

    std::vector<std::string> messages;

    pf::MessageAnswer ShowMessage(const std::string& text, const std::string&, pf::MessageButtons,
                                  pf::MessageIcon) override {
        messages.push_back(text);
        return pf::MessageAnswer::Ok;
    }
    std::string AskText(const std::string&, const std::string&, const std::string&) override { return "*"; }
    std::string BrowseForFolder(const std::string&, const std::string&) override { return m_tree; }
    std::vector<std::string> ShowOpenDialog(const pf::FileDialogOptions&) override { return {}; }
    void OpenFolder(const std::string&) override {}
    void OpenAddress(const std::string&) override {}

private:
    std::string m_tree;
};

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs find and counts the lines it prints; returns the seconds it took.
double TimeFind(const std::string& tree, long& files) {
    const std::string command = "find '" + tree + "' -type f";
    const auto start = Clock::now();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        std::perror("find");
        std::exit(1);
    }
    files = 0;
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        files += std::count(buffer, buffer + got, '\n');
    }
    if (::pclose(pipe) != 0) {
        std::fprintf(stderr, "find failed\n");
        std::exit(1);
    }
    return Seconds(start);
}

// Bytes the program has taken from the heap and not given back, mapped blocks included.
double HeapBytesInUse() {
    const struct mallinfo2 info = ::mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

double TimeWalk(Form1& form, QPushButton& button, long& rows, double& rowBytes) {
    form.ClearRows();
    QCoreApplication::processEvents();
    const double heapBefore = HeapBytesInUse();
    const auto start = Clock::now();
    button.click();
    QCoreApplication::processEvents(); // the list repaints with its new rows
    const double seconds = Seconds(start);
    rowBytes = HeapBytesInUse() - heapBefore;
    rows = form.RowCount();
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || !fs::is_regular_file(fs::path(argv[1]) / ".shape")) {
        std::fprintf(stderr, "usage: %s TREE (a tree made by bench_walk_tree)\n", argv[0]);
        return 2;
    }
    const std::string tree = fs::canonical(argv[1]).string();
    // The button stores its answers: keep them away from the user's own settings.
    const fs::path config = fs::temp_directory_path() / ("pf-bench-walk-" + std::to_string(::getpid()));
    fs::create_directories(config);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    BenchUi ui(tree);
    Form1 form(&ui);
    form.show();
    QCoreApplication::processEvents();
    auto* button = form.findChild<QPushButton*>("PushButton4");

    long files = 0;
    long rows = 0;
    double rowBytes = 0;
    TimeFind(tree, files); // both start from a warm cache
    TimeWalk(form, *button, rows, rowBytes);
    std::vector<double> findTimes;
    std::vector<double> walkTimes;
    for (int round = 0; round < kRounds; ++round) {
        findTimes.push_back(TimeFind(tree, files));
        walkTimes.push_back(TimeWalk(form, *button, rows, rowBytes));
    }
    fs::remove_all(config);
    if (!ui.messages.empty()) {
        std::fprintf(stderr, "the walk showed a message:\n%s\n", ui.messages.front().c_str());
        return 1;
    }
    const double find = Median(findTimes);
    const double walk = Median(walkTimes);
    std::printf("tree: %s\n", tree.c_str());
    std::printf("find -type f: %.3f s (%ld files, median of %d)\n", find, files, kRounds);
    std::printf("walk \"*\" into Form1: %.3f s (%ld rows, median of %d)\n", walk, rows, kRounds);
    std::printf("rows_mb: %.1f (heap MiB per 100,000 rows; %.1f MiB for the %ld rows listed)\n",
                rowBytes / rows * 100000 / kMiB, rowBytes / kMiB, rows);
    std::printf("walk/find ratio: %.2f\n", walk / find);
    return 0;
}

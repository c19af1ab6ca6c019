// Times whole batch runs through the real window (offscreen) and the real printers, pause 0: 200 small
// files of 1-5 KB and 5 files of 1 MB. For reference it times `enscript | ps2pdf` on the same files.

#include "form1.h"
#include "platform.h"

#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Answers every dialog like a user pressing OK, and remembers the last message.
class SilentUi : public pf::UserInterface {
public:
    std::string lastMessage;
    pf::MessageAnswer ShowMessage(const std::string& text, const std::string&, pf::MessageButtons,
                                  pf::MessageIcon) override {
        lastMessage = text;
        return pf::MessageAnswer::Ok;
    }
    std::string AskText(const std::string&, const std::string&, const std::string&) override { return {}; }
    std::string BrowseForFolder(const std::string&, const std::string&) override { return {}; }
    std::vector<std::string> ShowOpenDialog(const pf::FileDialogOptions&) override { return {}; }
    void OpenFolder(const std::string&) override {}
    void OpenAddress(const std::string&) override {}
};

// Plain English-looking text of about the given size, in lines of up to 80 characters.
std::string MakeText(std::mt19937& random, std::size_t bytes) {
    static const char* kWords[] = {"printer", "batch", "folder", "the",   "of",  "page", "margin",  "letter",
                                   "quiet",   "river", "green",  "paper", "and", "to",   "convert", "text"};
    std::string text;
    std::size_t lineLength = 0;
    while (text.size() < bytes) {
        const std::string word = kWords[random() % std::size(kWords)];
        if (lineLength + word.size() > 79) {
            text += '\n';
            lineLength = 0;
        }
        text += word + ' ';
        lineLength += word.size() + 1;
    }
    return text + '\n';
}

std::vector<std::string> MakeCorpus(const fs::path& folder, int count, std::size_t minBytes,
                                    std::size_t maxBytes, std::mt19937& random) {
    fs::create_directories(folder);
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        const std::size_t size = minBytes + random() % (maxBytes - minBytes + 1);
        const fs::path file = folder / ("file" + std::to_string(i) + ".txt");
        std::ofstream(file) << MakeText(random, size);
        files.push_back(file.string());
    }
    return files;
}

double RunBatch(Form1& form, SilentUi& ui, const std::vector<std::string>& files, const fs::path& out) {
    fs::create_directories(out);
    form.ClearRows();
    for (const auto& file : files) {
        form.AppendRow(file);
    }
    form.SetText1(out.string());
    form.SetText2("0");
    const auto start = Clock::now();
    form.findChild<QPushButton*>("PushButton2")->click();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (ui.lastMessage != "Done.") {
        std::fprintf(stderr, "run did not convert every file:\n%s\n", ui.lastMessage.c_str());
        std::exit(1);
    }
    return seconds;
}

double EnscriptSeconds(const std::vector<std::string>& files, const fs::path& out) {
    fs::create_directories(out);
    const auto start = Clock::now();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string command = "enscript -q -p - '" + files[i] + "' | ps2pdf - '" +
                                    (out / ("file" + std::to_string(i) + ".pdf")).string() + "'";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "enscript | ps2pdf failed\n");
            std::exit(1);
        }
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char* argv[]) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char pattern[] = "/tmp/pf-bench-run-XXXXXX";
    const fs::path root = ::mkdtemp(pattern);
    fs::create_directories(root / "home/.config");
    fs::create_directories(root / "run");
    fs::permissions(root / "run", fs::perms::owner_all);
    ::setenv("HOME", (root / "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root / "home/.config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root / "run").c_str(), 1);

    QApplication app(argc, argv);
    const std::string bin = pf::platform::ProgramFolder();
    if (std::system(("\"" + bin + "/tarnwicke-pdf-writer\" --install").c_str()) != 0) {
        return 1;
    }
    std::mt19937 random(2026);
    const auto small = MakeCorpus(root / "small", 200, 1024, 5 * 1024, random);
    const auto large = MakeCorpus(root / "large", 5, 1024 * 1024, 1024 * 1024, random);

    SilentUi ui;
    Form1 form(&ui);
    const double smallSeconds = RunBatch(form, ui, small, root / "out-small");
    const double largeSeconds = RunBatch(form, ui, large, root / "out-large");
    const double enscriptSmall = EnscriptSeconds(small, root / "out-enscript");

    const double perFileMs = smallSeconds * 1000.0 / static_cast<double>(small.size());
    const double enscriptPerFileMs = enscriptSmall * 1000.0 / static_cast<double>(small.size());
    std::printf("small files: %zu in %.2f s, %.2f files/s\n", small.size(), smallSeconds,
                static_cast<double>(small.size()) / smallSeconds);
    std::printf("1 MB files: %zu in %.2f s, %.2f s per file\n", large.size(), largeSeconds,
                largeSeconds / static_cast<double>(large.size()));
    std::printf("enscript | ps2pdf: %.1f ms per small file\n", enscriptPerFileMs);
    std::printf("per_file_ms: %.1f floor_ms: 200 enscript_ratio: %.2f\n", perFileMs,
                perFileMs / enscriptPerFileMs);
    fs::remove_all(root);
    return 0;
}

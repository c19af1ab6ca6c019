// Makes the folder tree the walk benchmark reads: 10 x 10 x 100 leaf folders of 10 files each (100,000
// files in 10,110 folders), with mixed letter case, spaces, dot files, "~" files and several extensions,
// so every rule of the file loop is exercised. A tree already made with the same shape is kept.

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kTopFolders = 10;
constexpr int kMiddleFolders = 10;
constexpr int kLeafFolders = 100;
constexpr int kFilesPerLeaf = 10;
constexpr const char* kShape = "10x10x100x10 v1";

// The names of one leaf folder's files; every tenth folder holds a dot file and a "~" file instead of
// two plain ones.
const char* FileName(int leaf, int file) {
    static const char* const kNames[] = {"Notes.txt",  "report 2024.TXT", "readme", "data.csv",
                                         "draft.doc",  "a.txt",           "B.txt",  "log.txt.bak",
                                         "z last.txt", "mixed.Txt"};
    if (leaf % 10 == 0 && file == 8) {
        return ".hidden.txt";
    }
    if (leaf % 10 == 0 && file == 9) {
        return "~lock.txt";
    }
    return kNames[file];
}

void MakeFile(const fs::path& path) {
    const int fd = ::creat(path.c_str(), 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
    ::close(fd);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    const fs::path marker = root / ".shape";
    std::string shape;
    std::getline(std::ifstream(marker), shape);
    if (shape == kShape) {
        return 0;
    }
    fs::remove_all(root);
    for (int top = 0; top < kTopFolders; ++top) {
        for (int middle = 0; middle < kMiddleFolders; ++middle) {
            for (int leaf = 0; leaf < kLeafFolders; ++leaf) {
                const fs::path folder = root / ("Top " + std::to_string(top)) /
                                        ("middle" + std::to_string(middle)) /
                                        ("Leaf_" + std::to_string(leaf));
                fs::create_directories(folder);
                for (int file = 0; file < kFilesPerLeaf; ++file) {
                    MakeFile(folder / FileName(leaf, file));
                }
            }
        }
    }
    std::ofstream(marker) << kShape << '\n';
    return 0;
}

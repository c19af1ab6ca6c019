#include "drawnpage.h"

#include "shellcommand.h"
#include "temphome.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace pf::test {

namespace {

// Runs a shell command for its files; its messages are dropped.
bool Run(const std::string& command) {
    return RunShell(command).exitCode == 0;
}

// A binary PGM file ("P5", width, height, 255, then the pixels).
GreyImage ReadPgm(const std::string& path) {
    const std::string bytes = ReadFile(path);
    std::istringstream header(bytes);
    std::string magic;
    int width = 0;
    int height = 0;
    int maximum = 0;
    header >> magic >> width >> height >> maximum;
    const auto start = static_cast<std::size_t>(header.tellg()) + 1;
    const auto size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (magic != "P5" || maximum != 255 || header.fail() || bytes.size() < start + size) {
        return {};
    }
    GreyImage image{width, height, {}};
    image.pixels.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                        bytes.begin() + static_cast<std::ptrdiff_t>(start + size));
    return image;
}

int Ink(const GreyImage& image, int x, int y) {
    return 255 - image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                              static_cast<std::size_t>(x)];
}

// Ink below this counts as paper: the faint edge pixels that anti-aliasing spreads.
constexpr int kInkThreshold = 48;

// Clear ink: what a glyph's strokes leave, as against the grey of their anti-aliased edges.
constexpr int kClearInk = 128;

// The share of the box's clear ink that has no ink of the other box within one pixel, the boxes laid
// over each other at their top left corners with the other moved by (shiftX, shiftY): a shift by part of
// a pixel between two renderings costs nothing, a stroke that is not there costs its pixels.
double UncoveredShare(const GreyImage& image, const PixelBox& box, const GreyImage& other,
                      const PixelBox& otherBox, int shiftX, int shiftY) {
    const auto inkInOther = [&](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const int ox = otherBox.left + x + dx - shiftX;
                const int oy = otherBox.top + y + dy - shiftY;
                if (ox >= 0 && oy >= 0 && ox < other.width && oy < other.height &&
                    Ink(other, ox, oy) >= kInkThreshold) {
                    return true;
                }
            }
        }
        return false;
    };
    int clear = 0;
    int uncovered = 0;
    for (int y = 0; y < box.Height(); ++y) {
        for (int x = 0; x < box.Width(); ++x) {
            if (Ink(image, box.left + x, box.top + y) >= kClearInk) {
                ++clear;
                uncovered += inkInOther(x, y) ? 0 : 1;
            }
        }
    }
    return clear == 0 ? 1.0 : static_cast<double>(uncovered) / clear;
}

double TotalInk(const GreyImage& image, const PixelBox& box) {
    double total = 0;
    for (int y = box.top; y <= box.bottom; ++y) {
        for (int x = box.left; x <= box.right; ++x) {
            total += Ink(image, x, y);
        }
    }
    return total;
}

// The box shrunk to the ink inside it.
PixelBox Tight(const GreyImage& image, const PixelBox& box) {
    PixelBox tight{box.right + 1, box.bottom + 1, box.left - 1, box.top - 1};
    for (int y = box.top; y <= box.bottom; ++y) {
        for (int x = box.left; x <= box.right; ++x) {
            if (Ink(image, x, y) >= kInkThreshold) {
                tight = {std::min(tight.left, x), std::min(tight.top, y), std::max(tight.right, x),
                         std::max(tight.bottom, y)};
            }
        }
    }
    return tight;
}

} // namespace

FontFace FindFace(const std::string& family) {
    std::istringstream lines(RunShell("fc-match -f '%{file}\\n%{index}\\n' " + Quote(family)).output);
    FontFace face;
    std::getline(lines, face.file);
    lines >> face.index;
    return face;
}

GreyImage RenderPdfPage(const std::string& pdf, int page, int dpi, const std::string& scratchFolder) {
    const std::string base = scratchFolder + "/page";
    const std::string number = std::to_string(page);
    if (!Run("pdftoppm -gray -singlefile -r " + std::to_string(dpi) + " -f " + number + " -l " + number +
             " " + Quote(pdf) + " " + Quote(base))) {
        return {};
    }
    return ReadPgm(base + ".pgm");
}

GreyImage RenderText(const std::string& text, const FontFace& face, double pointSize, int dpi,
                     const std::string& scratchFolder) {
    const std::string textFile = scratchFolder + "/reference.txt";
    std::ofstream(textFile, std::ios::binary) << text;
    std::ostringstream size;
    size << pointSize;
    const std::string pdf = scratchFolder + "/reference.pdf";
    if (!Run("hb-view --margin=0 --output-format=pdf --font-size=" + size.str() +
             " --face-index=" + std::to_string(face.index) + " --font-file=" + Quote(face.file) +
             " --text-file=" + Quote(textFile) + " -o " + Quote(pdf))) {
        return {};
    }
    return RenderPdfPage(pdf, 1, dpi, scratchFolder);
}

std::vector<PixelBox> InkedStretches(const GreyImage& image, int top, int bottom, std::size_t count) {
    top = std::max(top, 0);
    bottom = std::min(bottom, image.height - 1);
    std::vector<PixelBox> runs; // stretches of inked columns
    for (int x = 0; x < image.width; ++x) {
        bool inked = false;
        for (int y = top; y <= bottom && !inked; ++y) {
            inked = Ink(image, x, y) >= kInkThreshold;
        }
        if (inked && (runs.empty() || runs.back().right != x - 1)) {
            runs.push_back({x, top, x, bottom});
        } else if (inked) {
            runs.back().right = x;
        }
    }
    // The widest blank stretches between the runs part the words; the other runs join their neighbours.
    std::vector<std::size_t> gaps;
    for (std::size_t i = 1; i < runs.size(); ++i) {
        gaps.push_back(i);
    }
    const auto gapWidth = [&](std::size_t i) { return runs[i].left - runs[i - 1].right; };
    std::stable_sort(gaps.begin(), gaps.end(), [&](auto l, auto r) { return gapWidth(l) > gapWidth(r); });
    gaps.resize(std::min(gaps.size(), count == 0 ? 0 : count - 1));
    std::vector<PixelBox> stretches;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (stretches.empty() || std::find(gaps.begin(), gaps.end(), i) != gaps.end()) {
            stretches.push_back(runs[i]);
        } else {
            stretches.back().right = runs[i].right;
        }
    }
    for (PixelBox& box : stretches) {
        box = Tight(image, box);
    }
    return stretches;
}

PixelBox InkBox(const GreyImage& image) {
    return Tight(image, {0, 0, image.width - 1, image.height - 1});
}

std::string InkMismatch(const GreyImage& a, const PixelBox& boxA, const GreyImage& b, const PixelBox& boxB) {
    constexpr int kSizeTolerance = 2;
    constexpr double kMostUncovered = 0.05;
    constexpr double kMostInkRatio = 1.2;
    std::ostringstream why;
    if (std::abs(boxA.Width() - boxB.Width()) > kSizeTolerance ||
        std::abs(boxA.Height() - boxB.Height()) > kSizeTolerance) {
        why << "the ink is " << boxA.Width() << "x" << boxA.Height() << " pixels, not " << boxB.Width() << "x"
            << boxB.Height();
        return why.str();
    }
    // The boxes may differ by a pixel where an edge's anti-aliasing fell either side of the threshold.
    double uncovered = 1;
    for (int shiftY = -1; shiftY <= 1; ++shiftY) {
        for (int shiftX = -1; shiftX <= 1; ++shiftX) {
            uncovered = std::min(uncovered, std::max(UncoveredShare(a, boxA, b, boxB, shiftX, shiftY),
                                                     UncoveredShare(b, boxB, a, boxA, -shiftX, -shiftY)));
        }
    }
    const double inkA = TotalInk(a, boxA);
    const double inkB = TotalInk(b, boxB);
    const double ratio = std::max(inkA, inkB) / std::max(1.0, std::min(inkA, inkB));
    if (uncovered > kMostUncovered || ratio > kMostInkRatio) {
        why << "the strokes differ (" << uncovered * 100 << " % of the ink has no match; the amount of ink x"
            << ratio << ")";
    }
    return why.str();
}

} // namespace pf::test

#pragma once

// What a printed page shows, compared by its ink: a page of a PDF rendered with poppler's pdftoppm, and
// the same words set by HarfBuzz's hb-view in the face they should be drawn in, rendered the same way.
// Both sides pass through one rasterizer, so the check holds across poppler versions; it looks at the
// ink only, never at the PDF's text layer.

#include <string>
#include <vector>

namespace pf::test {

// A grey image, one byte a pixel: 0 is full ink, 255 bare paper.
struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
};

// A rectangle of pixels, edges included.
struct PixelBox {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
};

// A face as fontconfig names it: its file and the face's index in the file.
struct FontFace {
    std::string file;
    int index = 0;
};

// The face fontconfig gives for a family name ("Noto Sans Arabic"); its nearest face when the family is
// missing, so that a missing font shows as ink that differs.
FontFace FindFace(const std::string& family);

// One page (1-based) of a PDF at the resolution given in dots per inch; an empty image on failure.
GreyImage RenderPdfPage(const std::string& pdf, int page, int dpi, const std::string& scratchFolder);

// The text shaped and set by hb-view in the face at the point size, rendered at the resolution given.
GreyImage RenderText(const std::string& text, const FontFace& face, double pointSize, int dpi,
                     const std::string& scratchFolder);

// The ink of a band of rows in count stretches, left to right, parted at the widest blank gaps (between
// words); each box is tight around its ink. Fewer when the band has fewer separate marks.
std::vector<PixelBox> InkedStretches(const GreyImage& image, int top, int bottom, std::size_t count);

// The box around all the ink of an image.
PixelBox InkBox(const GreyImage& image);

// "" when the ink in box a of image a looks like the ink in box b of image b (the same size within two
// pixels, the same spread of ink across columns and rows); otherwise what differs.
std::string InkMismatch(const GreyImage& a, const PixelBox& boxA, const GreyImage& b, const PixelBox& boxB);

} // namespace pf::test

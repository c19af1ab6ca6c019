#pragma once

// The main window's layout, shared by both front-ends: where each control stands, in twips
// (1/1440 inch, 15 to a pixel at 96 dots per inch), its caption, and the fonts. Controls inside a
// frame are placed relative to the frame.

#include <array>

namespace pf::layout {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidthTwips = 8040;
inline constexpr int kClientHeightTwips = 6600;

struct ControlPlace {
    const char* name;
    const char* caption;
    int left, top, width, height;
    // The frame the control stands in, nullptr for the window itself.
    const ControlPlace* frame = nullptr;
};

inline constexpr ControlPlace kListView1 = {"ListView1", "", 120, 120, 7800, 2535};
inline constexpr ControlPlace kFrame2 = {"Frame2", "Save PDF Files To This Folder", 120, 3705, 7800, 825};
inline constexpr ControlPlace kText1 = {"Text1", "", 225, 300, 6540, 345, &kFrame2};
inline constexpr ControlPlace kFrame1 = {
    "Frame1", "Pause For These Seconds Between Conversions", 120, 4605, 7800, 825};
inline constexpr ControlPlace kText2 = {"Text2", "", 225, 300, 6540, 345, &kFrame1};
// PushButton1 to PushButton7, in that order.
inline constexpr std::array<ControlPlace, 7> kButtons = {{
    {"PushButton1", "Add Text Files", 120, 2745, 3840, 405},
    {"PushButton2", "Start Converting To PDF", 120, 5550, 7800, 405},
    {"PushButton3", "Clear List", 120, 3255, 3840, 405},
    {"PushButton4", "Add All Text Files In Folder", 4080, 2745, 3840, 405},
    {"PushButton5", "Load Sample/Example Files", 4080, 3255, 3840, 405},
    {"PushButton6", "?", 6840, 300, 720, 345, &kFrame1},
    {"PushButton7", "...", 6840, 300, 720, 345, &kFrame2},
}};
inline constexpr ControlPlace kProgressBar1 = {"ProgressBar1", "Progress Bar", 120, 6075, 7800, 405};

inline constexpr const char* kListToolTip =
    "Drag and drop files here. Double-click item to remove it. Move | line to "
    "right and out of window to reveal full names.";

inline constexpr const char* kFontFace = "Arial";
inline constexpr double kWindowFontPoints = 9;
inline constexpr double kButtonFontPoints = 11.25;
inline constexpr int kFontCharset = 204;

// The focusable controls by their tab indexes: the list, the output folder and its button, the four
// list buttons and the start button, the pause and its button (the frames and the progress bar take
// no focus).
inline constexpr std::array<const char*, 10> kTabOrder = {
    "ListView1",   "Text1",       "PushButton7", "PushButton1", "PushButton4",
    "PushButton2", "PushButton3", "PushButton5", "Text2",       "PushButton6"};

} // namespace pf::layout

#pragma once

#include <string>

namespace pf {

class Form;
class UserInterface;

// The window operations that only start-up needs, beyond the Form seam.
class WindowSetup {
public:
    virtual ~WindowSetup() = default;
    // Switches the window and its frames to the button-face colour and loads the skin file.
    virtual void ApplySkinFile(const std::string& skinFile) = 0;
    // Loads a cursor file as the picture of the custom pointer.
    virtual void LoadCustomPointer(const std::string& cursorFile) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetProgramIcon() = 0;
    virtual void AddListColumn(const std::string& header) = 0;
    virtual void SetListColumnWidth(int twips) = 0;
};

// The start-up steps, each under the load handler's error trap, in order.
void Form_Load(Form& form, WindowSetup& window);

// Applies the skin when the skin file "x/o.cjs" exists beside the program.
void ApplySkin(WindowSetup& window);

// One start in a hundred (a draw of 7 from 1 to 100, seeded by the time of day) opens the maker's
// home page.
void OpenHomePageOccasionally(UserInterface& ui, double secondsSinceMidnight);
int DrawOneToHundred(double secondsSinceMidnight);
inline constexpr const char* kHomePage = "https://plumavert.example/";

// The desktop folder followed by a separator; the home folder when there is no desktop.
std::string DefaultOutputFolder();

// True when the last-modified time of the path can be read.
bool PathExists(const std::string& path);

// The change handlers of the two text boxes: each change is stored at once.
void Text1_Change(Form& form);
void Text2_Change(Form& form);

} // namespace pf

#pragma once

// The seams between the program's logic and its window. Form1 implements them with widgets; tests
// implement them in memory (tests/support) and script the dialogs.

#include <cstdint>
#include <string>
#include <vector>

namespace pf {

// The window-wide mouse pointer values.
enum class MousePointer { Default = 0, Hourglass = 11, Custom = 99 };

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Warning };
enum class MessageAnswer { Ok, Yes, No };

// Settings of the open-file dialog, as the "Add Text Files" button sets them before each use.
struct FileDialogOptions {
    std::string title;
    std::string filter;      // "Description|pattern|Description|pattern"
    std::uint32_t flags = 0; // the Windows open-file flags (OFN_...)
    std::size_t maxFileNameLength = 0;
};

// Dialogs and shell actions. Texts are passed exactly as the program builds them (CR LF, bare CRs);
// the widget implementation turns line ends into visible line breaks.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    // Modal message box; returns the button pressed.
    virtual MessageAnswer ShowMessage(const std::string& text, const std::string& title,
                                      MessageButtons buttons, MessageIcon icon) = 0;

    // Modal input box; returns the answer, or "" when cancelled.
    virtual std::string AskText(const std::string& prompt, const std::string& title,
                                const std::string& defaultAnswer) = 0;

    // Folder browser starting at startFolder; returns the chosen folder's path, or "" when cancelled.
    virtual std::string BrowseForFolder(const std::string& prompt, const std::string& startFolder) = 0;

    // Multi-select open-file dialog. Returns the chosen files' full paths in the dialog's order, none when
    // cancelled. Throws RuntimeError 20476 when the selection does not fit options.maxFileNameLength, the
    // classic dialog's file name buffer (see ComposeFileDialogResult).
    virtual std::vector<std::string> ShowOpenDialog(const FileDialogOptions& options) = 0;

    // Opens a folder in the file manager, or an address in the browser; failures are ignored.
    virtual void OpenFolder(const std::string& path) = 0;
    virtual void OpenAddress(const std::string& address) = 0;
};

// A stable reference to one row of the list: it keeps naming the same row while other rows are
// added, removed or moved. 0 names no row.
using RowId = std::uint64_t;

// The view of the main window that the operations of filelist/ and convert/ work on. Every
// implementation keeps the same promises; tests/support/formcontract.h checks each one against them.
class Form {
public:
    virtual ~Form() = default;

    // ---- ListView1: rows are numbered from 1 in display order. Every call that takes a row number
    // throws RuntimeError 35600 when there is no such row (see ListPosition).
    virtual long RowCount() const = 0;
    virtual std::string RowText(long index) const = 0;
    virtual void AppendRow(const std::string& text) = 0;
    virtual void SetRowText(long index, const std::string& text) = 0;
    virtual void RemoveRow(long index) = 0;
    virtual void ClearRows() = 0;
    virtual void SelectRow(long index) = 0;
    // The list's current row, 0 when none.
    virtual long CurrentRow() const = 0;
    // The row under a point in the list's own coordinates, 0 when none.
    virtual long RowAt(int x, int y) const = 0;
    virtual void ScrollRowIntoView(long index) = 0;
    virtual RowId RowIdAt(long index) const = 0;
    // The index of a row, 0 when that row is gone.
    virtual long IndexOfRow(RowId id) const = 0;

    // ---- pointers
    // The window-wide pointer: Pointer() answers what SetPointer set last. Only SetPointer changes it,
    // and hovering (see HoverPointer) never replaces the hourglass.
    virtual MousePointer Pointer() const = 0;
    virtual void SetPointer(MousePointer pointer) = 0;
    // The list's own pointer: the arrow, or the drag picture.
    virtual void SetListDragPointer(bool dragging) = 0;
    // The pointer's vertical position on the screen, in pixels from the top.
    virtual int CursorScreenY() const = 0;

    // ---- output options and progress
    virtual std::string Text1() const = 0;
    virtual void SetText1(const std::string& text) = 0;
    virtual std::string Text2() const = 0;
    virtual void SetText2(const std::string& text) = 0;
    virtual void SetProgress(double value) = 0;
    virtual void SetProgressCaption(const std::string& caption) = 0;

    // ---- the message loop
    // Lets pending window messages run, then returns. It answers within kEventsIntervalMs but lets
    // messages run at most once in that time: a call soon after the last run returns at once, so a
    // loop that calls it for every small step does not spend its time asking the window system.
    virtual void DoEvents() = 0;
    // Lets window messages run for the given time, sleeping while there are none. Returns as soon as
    // the window is closing (a message that closes it ends the wait at once).
    virtual void WaitWithEvents(int milliseconds) = 0;
    // True once the user has asked to close the window.
    virtual bool IsClosing() const = 0;
    // The local clock the message loop runs by: seconds since midnight, with fractions.
    virtual double SecondsSinceMidnight() const = 0;

    virtual UserInterface& Ui() = 0;
};

// The longest a DoEvents call leaves pending messages waiting, and the shortest time between two runs.
inline constexpr int kEventsIntervalMs = 10;

// The list position (from 0) of a row number; throws RuntimeError 35600 when the form has no such row.
long ListPosition(const Form& form, long index);

// Where the mouse is, for the hover rules.
enum class HoverTarget {
    Button,     // a push button: the custom pointer (the hand)
    Background, // the window's or a frame's bare background: the default arrow
    Other,      // a text box, the list or the progress bar: the pointer stays
};

// The pointer a move over the target shows: the hand over a button, the arrow over bare background,
// and otherwise the current one; a busy hourglass always stays.
MousePointer HoverPointer(MousePointer current, HoverTarget target);

} // namespace pf

#pragma once

// What every text printer does the same way: the command line, the input file, the encoding, the
// chunked read, decode and lay-out loop, the page rules and the failure report. A printer adds its
// device: the job it opens and the layout that draws on its pages.

#include "pageflow.h"

#include <string>
#include <vector>

namespace pf::textprint {

// The page rules: one monospaced font of 10 points, tabs to every eighth column, margins of 1.25 inch
// left and right and 1 inch at the top and bottom (in points, 72 to the inch).
inline constexpr float kFontPoints = 10;
inline constexpr int kTabColumns = 8;
inline constexpr int kPointsPerInch = 72;
inline constexpr int kSideMarginPoints = 90;
inline constexpr int kTopBottomMarginPoints = 72;

// One printer's device, for one document.
class PrintDevice {
public:
    virtual ~PrintDevice() = default;

    // Opens the job for the file at path (its name names the document); the reason when it cannot.
    virtual std::string Open(const std::string& path) = 0;
    // The layout that draws on the open job's pages.
    virtual PageFlow& Layout() = 0;
    // False once the device has given up; its reason comes with Close.
    virtual bool Ok() const = 0;
    // Ends the job. A complete one is handed over whole: "" when the device took all of it, else why
    // not. An incomplete one is thrown away, so no half document comes out: the device's reason for
    // giving up, or "".
    virtual std::string Close(bool complete) = 0;
};

// `plumavert-textprint /p FILE` (or -p): prints the file on the device. Returns the exit status: 0 when
// the device took the whole document, otherwise 1 (2 for a wrong command line) with one line on
// standard error saying why.
int RunTextPrinter(const std::vector<std::string>& arguments, PrintDevice& device);

} // namespace pf::textprint

#pragma once

#include "platform.h"

#include <optional>
#include <string>

namespace pf {

// What a run changes for every program of the user: the default printer and the PDF printer's values.
struct PrinterState {
    // The user's choice of default printer, as platform::DefaultPrinterSetting reads it.
    std::optional<std::string> defaultPrinter;
    std::optional<std::string> outputFile; // empty: the value did not exist
    std::optional<std::string> bypassSaveAs;
};

// Keeps the printer state from before a run in the settings store while the run changes it, so that
// it is put back: by the run at its end, or by the next start when the run was killed. Runs of several
// windows share one record: the first to begin writes it, the last to end puts it back and clears it.
class PrinterRecord {
public:
    PrinterRecord();

    // Joins the runs under way and records the state as it is, unless a record stands. Throws RuntimeError
    // when the locks cannot be taken (HoldsRun() stays false: the run must not change the printers) or the
    // record cannot be written.
    void Begin();
    // True from a Begin that took the locks to End.
    bool HoldsRun() const { return m_holdsRun; }
    // Puts the recorded state back and clears the record, unless another run is still under way.
    void End();

private:
    platform::UserLock m_running; // held shared from Begin to End
    PrinterState m_own;           // this run's view, used when no record could be stored
    bool m_holdsRun = false;
};

// Puts back the record that a killed run left, unless a run is under way; for start-up.
void RestoreLeftoverPrinterRecord();

// The record's text: every field is "-" when absent, else "+", its length in bytes, ":" and its text.
std::string EncodePrinterState(const PrinterState& state);
std::optional<PrinterState> DecodePrinterState(const std::string& text);

} // namespace pf

#include "printerrecord.h"

#include "pdfprinter.h"
#include "printers.h"
#include "settings.h"

namespace pf {

namespace {

constexpr const char* kRecordLock = "printer-record"; // held while the record is read or changed
constexpr const char* kRunsLock = "runs";             // held shared by every run under way

std::optional<std::string> PdfValue(const char* name) {
    return platform::ReadStoredValue(platform::Store::PdfWriter, name);
}

void PutPdfValue(const char* name, const std::optional<std::string>& value) {
    if (value) {
        platform::WriteStoredValue(platform::Store::PdfWriter, name, *value);
    } else {
        platform::RemoveStoredValue(platform::Store::PdfWriter, name);
    }
}

std::optional<PrinterState> StoredRecord() {
    const std::string text = ReadSetting(key::kPrinterRecord, "");
    return text.empty() ? std::nullopt : DecodePrinterState(text);
}

// The stored record, or this run's own view when there is none or it cannot be read.
PrinterState StoredRecordOr(const PrinterState& own) {
    try {
        return StoredRecord().value_or(own);
    } catch (const RuntimeError&) {
        return own;
    }
}

// Puts a state back and clears the record; only while no run holds the run lock.
void RestoreAndClear(const PrinterState& state) {
    platform::PutBackDefaultPrinter(state.defaultPrinter);
    PutPdfValue(kOutputFileValue, state.outputFile);
    PutPdfValue(kBypassSaveAsValue, state.bypassSaveAs);
    platform::RemoveStoredValue(platform::Store::Application, key::kPrinterRecord);
}

void AppendField(std::string& text, const std::optional<std::string>& value) {
    text += value ? "+" + std::to_string(value->size()) + ":" + *value : "-";
}

// Reads one field at a position and moves past it; false when the text is not a record.
bool ReadField(const std::string& text, std::size_t& at, std::optional<std::string>& value) {
    if (at < text.size() && text[at] == '-') {
        value.reset();
        ++at;
        return true;
    }
    const std::size_t colon = text.find(':', at);
    if (at >= text.size() || text[at] != '+' || colon == std::string::npos || colon == at + 1) {
        return false;
    }
    std::size_t length = 0;
    for (std::size_t i = at + 1; i < colon; ++i) {
        if (text[i] < '0' || text[i] > '9' || length > text.size()) {
            return false;
        }
        length = length * 10 + static_cast<std::size_t>(text[i] - '0');
    }
    if (length > text.size() - colon - 1) {
        return false;
    }
    value = text.substr(colon + 1, length);
    at = colon + 1 + length;
    return true;
}

} // namespace

std::string EncodePrinterState(const PrinterState& state) {
    std::string text;
    AppendField(text, state.defaultPrinter);
    AppendField(text, state.outputFile);
    AppendField(text, state.bypassSaveAs);
    return text;
}

std::optional<PrinterState> DecodePrinterState(const std::string& text) {
    PrinterState state;
    std::size_t at = 0;
    if (!ReadField(text, at, state.defaultPrinter) || !ReadField(text, at, state.outputFile) ||
        !ReadField(text, at, state.bypassSaveAs) || at != text.size()) {
        return std::nullopt;
    }
    return state;
}

// A record found while no other run is under way was left by a killed run: it holds the state from
// before that run, which is the one to put back, so it stays.
PrinterRecord::PrinterRecord() : m_running(kRunsLock) {}

void PrinterRecord::Begin() {
    m_own = {platform::DefaultPrinterSetting(), PdfValue(kOutputFileValue), PdfValue(kBypassSaveAsValue)};
    platform::UserLock guard(kRecordLock);
    guard.Lock();
    const bool alone = m_running.TryLockExclusive();
    // Only the record's guard, which this run holds, ever keeps the run lock exclusively for longer than
    // a moment: a shared hold that fails means the locks do not work as they should.
    if (!m_running.TryLockShared()) {
        throw RuntimeError(err::kPathFileAccessError, "The run lock cannot be shared with other runs");
    }
    m_holdsRun = true;
    if (alone && !StoredRecord()) {
        WriteSetting(key::kPrinterRecord, EncodePrinterState(m_own));
    }
}

void PrinterRecord::End() {
    if (!m_holdsRun) {
        return;
    }
    platform::UserLock guard(kRecordLock);
    guard.Lock();
    m_running.Unlock();
    m_holdsRun = false;
    if (m_running.TryLockExclusive()) {
        RestoreAndClear(StoredRecordOr(m_own));
        m_running.Unlock();
    }
}

void RestoreLeftoverPrinterRecord() {
    platform::UserLock guard(kRecordLock);
    guard.Lock();
    platform::UserLock running(kRunsLock);
    if (!running.TryLockExclusive()) {
        return;
    }
    if (const auto record = StoredRecord()) {
        RestoreAndClear(*record);
    } else {
        platform::RemoveStoredValue(platform::Store::Application, key::kPrinterRecord); // unreadable
    }
}

} // namespace pf

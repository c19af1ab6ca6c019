#pragma once

#include "form.h"
#include "scriptedui.h"

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pf::test {

// The main window in memory: rows, pointers, text boxes and progress as plain data, a fake clock that
// only WaitWithEvents advances, and hooks that let a test act when the logic lets messages run.
class MemoryForm : public Form {
public:
    ScriptedUi ui;

    // Hooks standing in for the window's change handlers and for user actions during message runs.
    std::function<void()> onText1Change;
    std::function<void()> onText2Change;
    std::function<void()> onDoEvents;

    // What the logic did, in order.
    std::vector<double> progressValues;
    std::vector<std::string> progressCaptions;
    std::vector<MousePointer> pointerHistory;
    std::vector<long> scrolledRows;
    int doEventsCount = 0;
    std::vector<int> waits; // every WaitWithEvents, in milliseconds

    // The fake clock; when sleepForReal is set, waits also pass in real time (for real child processes).
    double clock = 12 * 3600.0;
    bool sleepForReal = false;
    bool closing = false;
    int cursorScreenY = 330;
    bool listDragPointer = false;

    // A window message: it runs when the form next lets messages run (at most once an interval in
    // DoEvents, always in WaitWithEvents).
    void Post(std::function<void()> message) { m_posted.push_back(std::move(message)); }

    // Test helpers.
    void SetRows(const std::vector<std::string>& texts);
    std::vector<std::string> Rows() const;

    long RowCount() const override { return static_cast<long>(m_rows.size()); }
    std::string RowText(long index) const override;
    void AppendRow(const std::string& text) override;
    void SetRowText(long index, const std::string& text) override;
    void RemoveRow(long index) override;
    void ClearRows() override;
    void SelectRow(long index) override;
    long CurrentRow() const override;
    long RowAt(int x, int y) const override;
    void ScrollRowIntoView(long index) override { scrolledRows.push_back(IndexOrThrow(index) + 1); }
    RowId RowIdAt(long index) const override;
    long IndexOfRow(RowId id) const override;

    MousePointer Pointer() const override { return m_pointer; }
    void SetPointer(MousePointer pointer) override;
    void SetListDragPointer(bool dragging) override { listDragPointer = dragging; }
    int CursorScreenY() const override { return cursorScreenY; }

    std::string Text1() const override { return m_text1; }
    void SetText1(const std::string& text) override;
    std::string Text2() const override { return m_text2; }
    void SetText2(const std::string& text) override;
    void SetProgress(double value) override { progressValues.push_back(value); }
    void SetProgressCaption(const std::string& caption) override { progressCaptions.push_back(caption); }

    void DoEvents() override;
    void WaitWithEvents(int milliseconds) override;
    bool IsClosing() const override { return closing; }
    double SecondsSinceMidnight() const override { return clock; }

    UserInterface& Ui() override { return ui; }

    // Rows are laid out 20 units high from y = 0, for RowAt.
    static constexpr int kRowHeight = 20;
    // The current row, as a click would set it (0 for none).
    void SetCurrentRow(long index);

private:
    long IndexOrThrow(long index) const;
    void RunPostedMessages();

    std::vector<std::pair<RowId, std::string>> m_rows;
    RowId m_nextId = 1;
    RowId m_current = 0;
    MousePointer m_pointer = MousePointer::Default;
    std::string m_text1;
    std::string m_text2;
    std::vector<std::function<void()>> m_posted;
    std::chrono::steady_clock::time_point m_messagesRan;
};

} // namespace pf::test

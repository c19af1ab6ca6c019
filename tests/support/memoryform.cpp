#include "memoryform.h"

#include "runtimeerror.h"

#include <chrono>
#include <thread>

namespace pf::test {

void MemoryForm::SetRows(const std::vector<std::string>& texts) {
    ClearRows();
    for (const auto& text : texts) {
        AppendRow(text);
    }
}

std::vector<std::string> MemoryForm::Rows() const {
    std::vector<std::string> texts;
    for (const auto& row : m_rows) {
        texts.push_back(row.second);
    }
    return texts;
}

long MemoryForm::IndexOrThrow(long index) const {
    if (index < 1 || index > RowCount()) {
        throw RuntimeError(err::kIndexOutOfBounds);
    }
    return index - 1;
}

std::string MemoryForm::RowText(long index) const {
    return m_rows[static_cast<std::size_t>(IndexOrThrow(index))].second;
}

void MemoryForm::AppendRow(const std::string& text) {
    m_rows.emplace_back(m_nextId++, text);
}

void MemoryForm::SetRowText(long index, const std::string& text) {
    m_rows[static_cast<std::size_t>(IndexOrThrow(index))].second = text;
}

void MemoryForm::RemoveRow(long index) {
    const auto position = static_cast<std::ptrdiff_t>(IndexOrThrow(index));
    const bool wasCurrent = m_rows[static_cast<std::size_t>(position)].first == m_current;
    m_rows.erase(m_rows.begin() + position);
    if (wasCurrent) {
        // Like the list control: the row that moved into the place becomes current.
        m_current =
            m_rows.empty()
                ? 0
                : m_rows[std::min<std::size_t>(static_cast<std::size_t>(position), m_rows.size() - 1)].first;
    }
}

void MemoryForm::ClearRows() {
    m_rows.clear();
    m_current = 0;
}

void MemoryForm::SelectRow(long index) {
    m_current = m_rows[static_cast<std::size_t>(IndexOrThrow(index))].first;
}

long MemoryForm::CurrentRow() const {
    return IndexOfRow(m_current);
}

void MemoryForm::SetCurrentRow(long index) {
    m_current = index == 0 ? 0 : RowIdAt(index);
}

long MemoryForm::RowAt(int /*x*/, int y) const {
    if (y < 0) {
        return 0;
    }
    const long index = y / kRowHeight + 1;
    return index <= RowCount() ? index : 0;
}

RowId MemoryForm::RowIdAt(long index) const {
    return m_rows[static_cast<std::size_t>(IndexOrThrow(index))].first;
}

long MemoryForm::IndexOfRow(RowId id) const {
    if (id == 0) {
        return 0;
    }
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].first == id) {
            return static_cast<long>(i + 1);
        }
    }
    return 0;
}

void MemoryForm::SetPointer(MousePointer pointer) {
    m_pointer = pointer;
    pointerHistory.push_back(pointer);
}

void MemoryForm::SetText1(const std::string& text) {
    if (text == m_text1) {
        return; // a text box fires no change event when its text stays the same
    }
    m_text1 = text;
    if (onText1Change) {
        onText1Change();
    }
}

void MemoryForm::SetText2(const std::string& text) {
    if (text == m_text2) {
        return;
    }
    m_text2 = text;
    if (onText2Change) {
        onText2Change();
    }
}

void MemoryForm::RunPostedMessages() {
    m_messagesRan = std::chrono::steady_clock::now();
    for (const auto& message : std::exchange(m_posted, {})) {
        message();
    }
}

void MemoryForm::DoEvents() {
    ++doEventsCount;
    if (onDoEvents) {
        onDoEvents();
    }
    if (std::chrono::steady_clock::now() - m_messagesRan >= std::chrono::milliseconds(kEventsIntervalMs)) {
        RunPostedMessages();
    }
}

void MemoryForm::WaitWithEvents(int milliseconds) {
    DoEvents();
    RunPostedMessages();
    if (closing) {
        return;
    }
    waits.push_back(milliseconds);
    if (milliseconds <= 0) {
        return;
    }
    // Real child processes need real time to run; the fake clock moves by the full wait either way.
    std::this_thread::sleep_for(std::chrono::milliseconds(sleepForReal ? milliseconds : 1));
    clock += milliseconds / 1000.0;
    if (clock >= 86400.0) {
        clock -= 86400.0;
    }
}

} // namespace pf::test

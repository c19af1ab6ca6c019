#include "listedit.h"

#include "memoryform.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>

namespace pf {
namespace {

using test::MemoryForm;

constexpr int kMiddleOfScreen = 330;

// One list event. Rows are hit by their number (0: the empty space below the rows).
struct Event {
    enum Kind { Press, Click, Move, Release } kind;
    long row = 0;
    int screenY = kMiddleOfScreen;
};

Event Press() {
    return {Event::Press};
}
Event Click(long row) {
    return {Event::Click, row};
}
Event Move(long row, int screenY = kMiddleOfScreen) {
    return {Event::Move, row, screenY};
}
Event Release() {
    return {Event::Release};
}

void Play(ListEditor& editor, MemoryForm& form, const std::vector<Event>& events) {
    for (const Event& event : events) {
        switch (event.kind) {
        case Event::Press:
            editor.ListView1_MouseDown();
            break;
        case Event::Click:
            form.SetCurrentRow(event.row);
            editor.ListView1_ItemClick(form);
            break;
        case Event::Move: {
            form.cursorScreenY = event.screenY;
            const int y =
                event.row == 0 ? 10000 : static_cast<int>(event.row - 1) * MemoryForm::kRowHeight + 5;
            editor.ListView1_MouseMove(form, 40, y);
            break;
        }
        case Event::Release:
            editor.ListView1_MouseUp(form);
            break;
        }
    }
}

struct DragCase {
    const char* name;
    std::vector<std::string> rows;
    std::vector<Event> events;
    std::vector<std::string> expectedRows;
    long expectedSelected;
    std::vector<long> expectedScrolls;
};

void PrintTo(const DragCase& c, std::ostream* out) {
    *out << c.name;
}

const std::vector<std::string> kAbcd = {"A", "B", "C", "D"};
const std::vector<std::string> kAbcde = {"A", "B", "C", "D", "E"};

const std::vector<DragCase> kDragCases = {
    {"dragging down entry by entry carries the entry along",
     kAbcd,
     {Press(), Click(2), Move(2), Move(3), Move(4)},
     {"A", "C", "D", "B"},
     4,
     {}},
    {"dragging back up carries it to the top",
     kAbcd,
     {Press(), Click(2), Move(3), Move(4), Move(3), Move(2), Move(1)},
     {"B", "A", "C", "D"},
     1,
     {}},
    {"a jump exchanges only the two entries",
     kAbcd,
     {Press(), Click(1), Move(4)},
     {"D", "B", "C", "A"},
     4,
     {}},
    {"staying on the dragged entry changes nothing and scrolls nothing",
     kAbcd,
     {Press(), Click(2), Move(2, 304), Move(2, 365)},
     kAbcd,
     2,
     {}},
    {"empty list space changes nothing", kAbcd, {Press(), Click(1), Move(0)}, kAbcd, 1, {}},
    {"moving without a pressed button changes nothing",
     kAbcd,
     {Press(), Click(1), Release(), Move(3)},
     kAbcd,
     1,
     {}},
    {"a press before any entry click drags nothing", kAbcd, {Press(), Move(2), Move(3)}, kAbcd, 0, {}},
    {"a press on empty space drags the entry clicked last",
     kAbcd,
     {Press(), Click(2), Release(), Press(), Move(3)},
     {"A", "C", "B", "D"},
     3,
     {}},
    {"an entry with the dragged entry's text is not swapped",
     {"A", "B", "A"},
     {Press(), Click(1), Move(3)},
     {"A", "B", "A"},
     1,
     {}},
    {"high on the screen after a swap onto entry 1: nothing to scroll",
     kAbcde,
     {Press(), Click(2), Move(1, 304)},
     {"B", "A", "C", "D", "E"},
     1,
     {}},
    {"high on the screen after a swap onto entry 5: entry 4 is shown",
     kAbcde,
     {Press(), Click(4), Move(5, 304)},
     {"A", "B", "C", "E", "D"},
     5,
     {4}},
    {"low on the screen after a swap onto the last entry: nothing to scroll",
     kAbcde,
     {Press(), Click(4), Move(5, 365)},
     {"A", "B", "C", "E", "D"},
     5,
     {}},
    {"low on the screen after a swap onto entry 2: entry 3 is shown",
     kAbcde,
     {Press(), Click(1), Move(2, 365)},
     {"B", "A", "C", "D", "E"},
     2,
     {3}},
    {"low on the screen after a swap onto entry 4: the last entry is shown",
     kAbcde,
     {Press(), Click(3), Move(4, 365)},
     {"A", "B", "D", "C", "E"},
     4,
     {5}},
    {"high on the screen after a swap onto entry 2: the first entry is shown",
     kAbcde,
     {Press(), Click(3), Move(2, 304)},
     {"A", "C", "B", "D", "E"},
     2,
     {1}},
    {"screen y 305 does not scroll",
     kAbcde,
     {Press(), Click(1), Move(2, 305)},
     {"B", "A", "C", "D", "E"},
     2,
     {}},
    {"screen y 364 does not scroll",
     kAbcde,
     {Press(), Click(3), Move(2, 364)},
     {"A", "C", "B", "D", "E"},
     2,
     {}},
};

// "a jump exchanges ..." gives "AJumpExchanges...".
std::string TestName(const std::string& description) {
    std::string name;
    bool wordStart = true;
    for (const char c : description) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
            wordStart = true;
            continue;
        }
        name += wordStart ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        wordStart = false;
    }
    return name;
}

class DragTest : public ::testing::TestWithParam<DragCase> {};

TEST_P(DragTest, MovesTextsSelectsAndScrolls) {
    const DragCase& c = GetParam();
    MemoryForm form;
    form.SetRows(c.rows);
    ListEditor editor;
    Play(editor, form, c.events);
    EXPECT_EQ(form.Rows(), c.expectedRows);
    EXPECT_EQ(form.CurrentRow(), c.expectedSelected);
    EXPECT_EQ(form.scrolledRows, c.expectedScrolls);
}

INSTANTIATE_TEST_SUITE_P(ListEditor, DragTest, ::testing::ValuesIn(kDragCases),
                         [](const auto& info) { return TestName(info.param.name); });

TEST(ListEditor, AnEntryClickShowsTheDragPictureUntilTheRelease) {
    MemoryForm form;
    form.SetRows(kAbcd);
    ListEditor editor;
    Play(editor, form, {Press(), Click(1)});
    EXPECT_TRUE(form.listDragPointer);
    EXPECT_TRUE(editor.IsDragging());
    Play(editor, form, {Release()});
    EXPECT_FALSE(form.listDragPointer);
    EXPECT_FALSE(editor.IsDragging());
}

TEST(ListEditor, MovingOverTheListResetsTheWindowPointerButNeverTheHourglass) {
    MemoryForm form;
    form.SetRows(kAbcd);
    ListEditor editor;
    form.SetPointer(MousePointer::Custom);
    Play(editor, form, {Move(1)});
    EXPECT_EQ(form.Pointer(), MousePointer::Default);
    form.SetPointer(MousePointer::Hourglass);
    Play(editor, form, {Move(2)});
    EXPECT_EQ(form.Pointer(), MousePointer::Hourglass);
}

TEST(ListEditor, ADraggedEntryThatWasRemovedIsForgotten) {
    MemoryForm form;
    form.SetRows(kAbcd);
    ListEditor editor;
    Play(editor, form, {Press(), Click(2), Release()});
    editor.ListView1_DeleteKey(form);
    Play(editor, form, {Press(), Move(1), Move(3)});
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{"A", "C", "D"}));
}

TEST(ListEditor, ADraggedEntryIsForgottenWhenTheListIsCleared) {
    MemoryForm form;
    form.SetRows(kAbcd);
    ListEditor editor;
    Play(editor, form, {Press(), Click(2), Release()});
    form.SetRows({"E", "F", "G"});
    Play(editor, form, {Press(), Move(1), Move(2), Move(3)});
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{"E", "F", "G"}));
}

TEST(ListEditor, ADraggedEntryKeepsItsIdentityWhenRowsAboveItGo) {
    MemoryForm form;
    form.SetRows(kAbcd);
    ListEditor editor;
    Play(editor, form, {Press(), Click(3), Release()});
    form.SetCurrentRow(1);
    editor.ListView1_DblClick(form);
    Play(editor, form, {Press(), Move(3)});
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{"B", "D", "C"}));
}

struct RemovalCase {
    const char* name;
    std::vector<std::string> rows;
    long current;
    bool busy;
    std::vector<std::string> expectedRows;
};

TEST(ListEditor, DoubleClickAndDeleteRemoveTheCurrentEntryUnlessRefused) {
    const std::vector<RemovalCase> cases = {
        {"current entry", kAbcd, 2, false, {"A", "C", "D"}},
        {"busy window", kAbcd, 2, true, kAbcd},
        {"empty list", {}, 0, false, {}},
        {"no current entry", kAbcd, 0, false, kAbcd},
    };
    for (const auto& c : cases) {
        for (const bool byKey : {false, true}) {
            MemoryForm form;
            form.SetRows(c.rows);
            form.SetCurrentRow(c.current);
            form.SetPointer(c.busy ? MousePointer::Hourglass : MousePointer::Default);
            ListEditor editor;
            if (byKey) {
                editor.ListView1_DeleteKey(form);
            } else {
                editor.ListView1_DblClick(form);
            }
            EXPECT_EQ(form.Rows(), c.expectedRows) << c.name << (byKey ? " (Delete)" : " (double-click)");
            EXPECT_TRUE(form.ui.messages.empty()) << c.name;
        }
    }
}

TEST(ListEditor, RemovalLeavesTheDragStateAlone) {
    MemoryForm form;
    form.SetRows(kAbcd);
    ListEditor editor;
    Play(editor, form, {Press(), Click(1)});
    form.SetCurrentRow(4);
    editor.ListView1_DeleteKey(form);
    Play(editor, form, {Move(3)});
    EXPECT_EQ(form.Rows(), (std::vector<std::string>{"C", "B", "A"}));
}

} // namespace
} // namespace pf

#include "filelistview.h"
#include "form1.h"
#include "formcontract.h"
#include "platform.h"
#include "qtuserinterface.h"
#include "scriptedui.h"
#include "settings.h"
#include "temphome.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>
#include <filesystem>
#include <gtest/gtest.h>

namespace pf {
namespace {

void MoveOver(QWidget* widget) {
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// The real window, offscreen, in a temporary home with an empty program folder and the dialogs scripted.
class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        platform::OverrideProgramFolder(home.MakeFolder("program"));
        platform::AddPrinter({"Tarnwicke PDF Writer", "CPW2:"});
    }
    void TearDown() override { platform::OverrideProgramFolder(""); }

    template <typename Widget> Widget* Find(Form1& form, const char* name) {
        auto* widget = form.findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    test::TempHome home;
    test::ScriptedUi ui;
};

TEST_F(Form1Test, ControlsStandWhereTheLayoutPutsThemWithTheirCaptions) {
    Form1 form(&ui);
    struct Control {
        const char* name;
        QRect geometry;
        const char* caption;
    };
    const Control controls[] = {
        {"ListView1", {8, 8, 520, 169}, ""},
        {"PushButton1", {8, 183, 256, 27}, "Add Text Files"},
        {"PushButton4", {272, 183, 256, 27}, "Add All Text Files In Folder"},
        {"PushButton3", {8, 217, 256, 27}, "Clear List"},
        {"PushButton5", {272, 217, 256, 27}, "Load Sample/Example Files"},
        {"Frame2", {8, 247, 520, 55}, "Save PDF Files To This Folder"},
        {"Text1", {15, 20, 436, 23}, ""},
        {"PushButton7", {456, 20, 48, 23}, "..."},
        {"Frame1", {8, 307, 520, 55}, "Pause For These Seconds Between Conversions"},
        {"Text2", {15, 20, 436, 23}, ""},
        {"PushButton6", {456, 20, 48, 23}, "?"},
        {"PushButton2", {8, 370, 520, 27}, "Start Converting To PDF"},
        {"ProgressBar1", {8, 405, 520, 27}, ""},
    };
    for (const auto& control : controls) {
        QWidget* widget = Find<QWidget>(form, control.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), control.geometry) << control.name;
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->text().toStdString(), control.caption);
            EXPECT_DOUBLE_EQ(button->font().pointSizeF(), 11.25);
        } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
            EXPECT_EQ(frame->title().toStdString(), control.caption);
        }
    }
    EXPECT_EQ(form.size(), QSize(536, 440));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(Find<QProgressBar>(form, "ProgressBar1")->text().toStdString(), "Progress Bar");
    EXPECT_EQ(
        Find<QTreeView>(form, "ListView1")->toolTip().toStdString(),
        "Drag and drop files here. Double-click item to remove it. Move | line to right and out of window to "
        "reveal full names.");
}

TEST_F(Form1Test, TabOrderFollowsTheTabIndexes) {
    Form1 form(&ui);
    const char* order[] = {"ListView1",   "Text1",       "PushButton7", "PushButton1", "PushButton4",
                           "PushButton2", "PushButton3", "PushButton5", "Text2",       "PushButton6"};
    QWidget* widget = Find<QWidget>(form, order[0]);
    for (std::size_t i = 1; i < std::size(order); ++i) {
        do {
            widget = widget->nextInFocusChain();
        } while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty());
        EXPECT_EQ(widget->objectName().toStdString(), order[i]);
    }
}

TEST_F(Form1Test, LoadFillsTheBoxesAndTheColumnAndSavesThem) {
    Form1 form(&ui);
    form.Load();
    auto* list = Find<QTreeView>(form, "ListView1");
    EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal).toString().toStdString(), "Text File(s)");
    EXPECT_EQ(list->columnWidth(0), 466);
    EXPECT_EQ(form.windowTitle().toStdString(), "Plumavert Fennic");
    EXPECT_EQ(Find<QLineEdit>(form, "Text1")->text().toStdString(), home.Home() + "/");
    EXPECT_EQ(Find<QLineEdit>(form, "Text2")->text().toStdString(), "7");
    Find<QLineEdit>(form, "Text2")->setText("12");
    EXPECT_EQ(ReadSetting(key::kText2, ""), "12");
    EXPECT_EQ(ReadSetting(key::kLocation, ""), home.Home() + "/");
}

// A path longer than the column is cut at the column's edge (no dots, nothing painted beyond it), the
// divider can be dragged to reveal it, and the list's hint shows over the rows too.
TEST_F(Form1Test, ALongPathIsCutAtTheColumnEdgeAndTheHintShowsOverTheRows) {
    Form1 form(&ui);
    form.Load();
    form.show();
    form.AppendRow("/" + std::string(300, 'W') + ".txt");
    auto* list = Find<QTreeView>(form, "ListView1");
    QApplication::processEvents();
    const QRect row = list->visualRect(list->model()->index(0, 0));
    const QImage painted = list->viewport()->grab().toImage();
    const QColor background = list->palette().color(QPalette::Base);
    int inked = 0;
    for (int x = 0; x < painted.width(); ++x) {
        if (painted.pixelColor(x, row.center().y()) != background) {
            EXPECT_LT(x, 466) << "painted beyond the column edge";
            ++inked;
        }
    }
    EXPECT_GT(inked, 0);
    EXPECT_EQ(list->textElideMode(), Qt::ElideNone);
    EXPECT_EQ(list->header()->sectionResizeMode(0), QHeaderView::Interactive);
    list->header()->resizeSection(0, 3000);
    QApplication::processEvents();
    EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);

    QHelpEvent hint(QEvent::ToolTip, row.center(), list->viewport()->mapToGlobal(row.center()));
    QApplication::sendEvent(list->viewport(), &hint);
    EXPECT_EQ(QToolTip::text(), list->toolTip());
}

TEST_F(Form1Test, SkinTurnsTheWindowAndFramesToButtonFaceOnlyWhenItsFileExists) {
    const QColor face = QApplication::palette().color(QPalette::Button);
    {
        Form1 plain(&ui);
        plain.Load();
        EXPECT_EQ(plain.palette().color(QPalette::Window), QColor(Qt::white));
        EXPECT_EQ(Find<QGroupBox>(plain, "Frame1")->palette().color(QPalette::Window), QColor(Qt::white));
    }
    home.WriteFile("program/x/o.cjs", "QPushButton { font-weight: bold; }");
    Form1 skinned(&ui);
    skinned.Load();
    EXPECT_EQ(skinned.palette().color(QPalette::Window), face);
    EXPECT_EQ(Find<QGroupBox>(skinned, "Frame2")->palette().color(QPalette::Window), face);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Form1Test, EveryButtonShowsTheHandAndTheBackgroundTheArrowButTheHourglassStays) {
    std::filesystem::copy_file(test::BinFolder() + "/HAND-M.CUR", platform::ProgramFolder() + "/HAND-M.CUR");
    Form1 form(&ui);
    form.Load();
    for (const char* name : {"PushButton1", "PushButton2", "PushButton3", "PushButton4", "PushButton5",
                             "PushButton6", "PushButton7"}) {
        auto* button = Find<QPushButton>(form, name);
        MoveOver(button);
        EXPECT_EQ(form.Pointer(), MousePointer::Custom) << name;
        EXPECT_EQ(button->cursor().shape(), Qt::BitmapCursor) << name;
        MoveOver(&form);
        EXPECT_EQ(form.Pointer(), MousePointer::Default) << name;
        EXPECT_EQ(button->cursor().shape(), Qt::ArrowCursor) << name;
    }
    form.SetPointer(MousePointer::Hourglass);
    MoveOver(Find<QPushButton>(form, "PushButton6"));
    EXPECT_EQ(form.cursor().shape(), Qt::WaitCursor);
}

TEST(OpenDialog, FilterBoxShowsEachFilterAsItIsWrittenAndAllFilesTakesNamesWithoutADot) {
    FileDialogOptions options;
    options.filter = "All Files (*.*)|*.*|Text Files (*.txt)|*.txt";
    const auto dialog = MakeOpenDialog(nullptr, options);
    auto* box = dialog->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(0).toStdString(), "All Files (*.*)");
    EXPECT_EQ(box->itemText(1).toStdString(), "Text Files (*.txt)");
    EXPECT_EQ(dialog->findChild<QFileSystemModel*>()->nameFilters(), QStringList{"*"});
}

TEST_F(Form1Test, ClearListIsRefusedWhileBusy) {
    Form1 form(&ui);
    form.AppendRow("/a.txt");
    form.AppendRow("/b.txt");
    form.SetPointer(MousePointer::Hourglass);
    Find<QPushButton>(form, "PushButton3")->click();
    EXPECT_EQ(form.RowCount(), 2);
    form.SetPointer(MousePointer::Default);
    Find<QPushButton>(form, "PushButton3")->click();
    EXPECT_EQ(form.RowCount(), 0);
}

// Sends a mouse event to the list's viewport at the centre of a row (1-based).
void MouseOnRow(QTreeView* list, QEvent::Type type, int row, Qt::MouseButtons buttons) {
    const QPointF at = list->visualRect(list->model()->index(row - 1, 0)).center();
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, list->viewport()->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &event);
}

TEST_F(Form1Test, DraggingARowWithTheMouseMovesIt) {
    Form1 form(&ui);
    form.Load();
    form.show();
    for (const char* text : {"/A", "/B", "/C", "/D"}) {
        form.AppendRow(text);
    }
    auto* list = Find<QTreeView>(form, "ListView1");
    QApplication::processEvents(); // the rows reach the list
    MouseOnRow(list, QEvent::MouseButtonPress, 2, Qt::LeftButton);
    MouseOnRow(list, QEvent::MouseMove, 3, Qt::LeftButton);
    MouseOnRow(list, QEvent::MouseMove, 4, Qt::LeftButton);
    MouseOnRow(list, QEvent::MouseButtonRelease, 4, Qt::NoButton);
    std::vector<std::string> rows;
    for (long i = 1; i <= form.RowCount(); ++i) {
        rows.push_back(form.RowText(i));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"/A", "/C", "/D", "/B"}));
    EXPECT_EQ(form.CurrentRow(), 4);
    EXPECT_EQ(list->viewport()->cursor().shape(), Qt::ArrowCursor);
}

// A drag from row 2 to row 3 released away from the rows: below the last row, or outside the window.
// Whether or not the drag started on the highlighted row, the highlight stays on the moved entry.
TEST_F(Form1Test, HighlightStaysOnTheMovedEntryWhereverTheDragIsReleased) {
    struct Case {
        bool startsHighlighted;
        QPoint release; // in the viewport; a negative x is left of the window
    };
    const Case cases[] = {{true, {20, 150}}, {true, {-300, -300}}, {false, {20, 150}}, {false, {-300, -300}}};
    for (const Case& c : cases) {
        Form1 form(&ui);
        form.Load();
        form.show();
        for (const char* text : {"/A", "/B", "/C", "/D"}) {
            form.AppendRow(text);
        }
        auto* list = Find<QTreeView>(form, "ListView1");
        QApplication::processEvents();
        form.SelectRow(c.startsHighlighted ? 2 : 1);
        MouseOnRow(list, QEvent::MouseButtonPress, 2, Qt::LeftButton);
        MouseOnRow(list, QEvent::MouseMove, 3, Qt::LeftButton);
        QMouseEvent release(QEvent::MouseButtonRelease, c.release, list->viewport()->mapToGlobal(c.release),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &release);
        const std::string label = std::string(c.startsHighlighted ? "highlighted" : "plain") +
                                  " row, released at " + std::to_string(c.release.y());
        EXPECT_EQ(form.RowText(3), "/B") << label;
        EXPECT_EQ(form.CurrentRow(), 3) << label;
        EXPECT_EQ(list->selectionModel()->selectedRows(), QModelIndexList{list->model()->index(2, 0)})
            << label;
    }
}

TEST_F(Form1Test, DraggingFilesIsAcceptedOtherDataIsRefusedAndDroppedFilesAreAppended) {
    Form1 form(&ui);
    form.Load();
    const std::string file = home.WriteFile("drop/a.txt", "a");
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
    QMimeData text;
    text.setText("just text");
    auto* list = form.findChild<FileListView*>("ListView1");
    ASSERT_NE(list, nullptr);
    for (QMimeData* data : {&files, &text}) {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        EXPECT_EQ(enter.isAccepted(), data == &files);
    }
    EXPECT_TRUE(FileListView::DroppedPaths(&text).empty());
    emit list->FilesDropped(FileListView::DroppedPaths(&files));
    ASSERT_EQ(form.RowCount(), 1);
    EXPECT_EQ(form.RowText(1), file);
}

// The real window, offscreen, as a window of the Form seam's contract.
class QtWindow {
public:
    QtWindow() : m_form(&m_ui) { m_form.show(); }

    pf::Form& Form() { return m_form; }
    void Post(std::function<void()> message) {
        QMetaObject::invokeMethod(&m_form, std::move(message), Qt::QueuedConnection);
    }
    void CloseWhen(std::function<bool()> condition) {
        m_watch.callOnTimeout(&m_form, [this, condition = std::move(condition)] {
            if (condition()) {
                m_watch.stop();
                m_form.close();
            }
        });
        m_watch.start(1);
    }
    void Hover(const std::string& name) {
        MoveOver(name == "Form1" ? &m_form : m_form.findChild<QWidget*>(QString::fromStdString(name)));
    }
    // Delete with Shift held removes like Delete alone.
    void PressKey(bool deleteKey) {
        QTest::keyClick(m_form.findChild<QTreeView*>("ListView1"), deleteKey ? Qt::Key_Delete : Qt::Key_Space,
                        Qt::ShiftModifier);
    }
    bool StartAndRunUntilTheProgramEnds() {
        QTimer::singleShot(0, &m_form, [this] { m_form.findChild<QPushButton*>("PushButton2")->click(); });
        QApplication::exec(); // ends only when the program would
        return !m_form.isVisible();
    }

private:
    test::ScriptedUi m_ui;
    Form1 m_form;
    QTimer m_watch;
};

} // namespace

namespace test {
INSTANTIATE_TYPED_TEST_SUITE_P(QtFormContract, FormContract, QtWindow);
} // namespace test

} // namespace pf

#include "form1.h"

#include "cursorfile.h"
#include "filelistview.h"
#include "folderwalk.h"
#include "formlayout.h"
#include "platform.h"
#include "qtuserinterface.h"
#include "runtimeerror.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <cmath>

namespace {

using namespace pf::layout;

constexpr qint64 kEventsIntervalMs = 10;

template <typename Widget> Widget* Place(Widget* widget, const ControlPlace& place) {
    widget->setObjectName(place.name);
    widget->setGeometry(place.left / kTwipsPerPixel, place.top / kTwipsPerPixel, place.width / kTwipsPerPixel,
                        place.height / kTwipsPerPixel);
    return widget;
}

QFont ArialBold(double points) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

void SetBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

std::string InProgramFolder(const char* name) {
    return pf::platform::ProgramFolder() + pf::platform::PathSeparator() + name;
}

} // namespace

Form1::Form1(pf::UserInterface* ui, QWidget* parent)
    : QWidget(parent), m_qtUi(std::make_unique<pf::QtUserInterface>(this)),
      m_ui(ui != nullptr ? ui : m_qtUi.get()), m_events(*this, [this] { EndAfterRun(); }) {
    SetupControls();
    ConnectSignals();
    SetTabOrder();
}

Form1::~Form1() = default;

void Form1::Load() {
    pf::Form_Load(*this, *this);
}

void Form1::SetupControls() {
    setObjectName("Form1");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidthTwips / kTwipsPerPixel, kClientHeightTwips / kTwipsPerPixel);
    setFont(ArialBold(9));
    SetBackground(this, Qt::white);
    setMouseTracking(true);
    installEventFilter(this); // moves over the background, for the hover rules

    m_listView1 = Place(new FileListView(this), kListView1);
    m_listView1->setToolTip(kListToolTip);

    m_frame2 = Place(new QGroupBox(kFrame2.caption, this), kFrame2);
    m_frame1 = Place(new QGroupBox(kFrame1.caption, this), kFrame1);
    for (QGroupBox* frame : {m_frame1, m_frame2}) {
        SetBackground(frame, Qt::white);
        frame->setMouseTracking(true);
        frame->installEventFilter(this);
    }
    m_text1 = Place(new QLineEdit(m_frame2), kText1);
    m_text2 = Place(new QLineEdit(m_frame1), kText2);

    for (int i = 0; i < 7; ++i) {
        QWidget* owner = i == 5   ? static_cast<QWidget*>(m_frame1)
                         : i == 6 ? static_cast<QWidget*>(m_frame2)
                                  : this;
        m_pushButtons[i] = Place(new QPushButton(kButtons[i].caption, owner), kButtons[i]);
        m_pushButtons[i]->setFont(ArialBold(11.25));
        m_pushButtons[i]->setMouseTracking(true);
        m_pushButtons[i]->installEventFilter(this);
    }
    m_progressBar1 = Place(new QProgressBar(this), kProgressBar1);
    m_progressBar1->setRange(0, 100);
    m_progressBar1->setValue(0);
    m_progressBar1->setTextVisible(true);
    m_progressBar1->setAlignment(Qt::AlignCenter);
    m_progressBar1->setFormat(kProgressBar1.caption);
}

// Each widget event goes to the window-free handler of the same name.
void Form1::ConnectSignals() {
    const auto* click = pf::kPushButtonClicks.begin(); // PushButtonN_Click for the Nth button
    for (QPushButton* button : m_pushButtons) {
        connect(button, &QPushButton::clicked, this, [this, handler = *click++] { (m_events.*handler)(); });
    }
    connect(m_text1, &QLineEdit::textChanged, this, [this] { m_events.Text1_Change(); });
    connect(m_text2, &QLineEdit::textChanged, this, [this] { m_events.Text2_Change(); });
    connect(m_listView1, &FileListView::MouseDown, this, [this] { m_events.ListView1_MouseDown(); });
    connect(m_listView1, &FileListView::ItemClick, this, [this] { m_events.ListView1_ItemClick(); });
    connect(m_listView1, &FileListView::MouseMove, this,
            [this](int x, int y) { m_events.ListView1_MouseMove(x, y); });
    connect(m_listView1, &FileListView::MouseUp, this, [this] { m_events.ListView1_MouseUp(); });
    connect(m_listView1, &FileListView::DblClick, this, [this] { m_events.ListView1_DblClick(); });
    connect(m_listView1, &FileListView::KeyDown, this,
            [this](int keyCode) { m_events.ListView1_KeyDown(keyCode); });
    connect(m_listView1, &FileListView::FilesDropped, this,
            [this](const std::vector<std::string>& paths) { m_events.ListView1_OLEDragDrop(paths); });
}

// Tab order by the controls' tab indexes: the list, the output folder, the buttons, the pause.
void Form1::SetTabOrder() {
    const std::array<QWidget*, 10> order = {
        m_listView1,      m_text1,          m_pushButtons[6], m_pushButtons[0], m_pushButtons[3],
        m_pushButtons[1], m_pushButtons[2], m_pushButtons[4], m_text2,          m_pushButtons[5]};
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
    m_progressBar1->setFocusPolicy(Qt::NoFocus);
}

// ---------------------------------------------------------------- hover and closing

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        Hover(static_cast<QWidget*>(watched), static_cast<QMouseEvent*>(event)->position().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

// The hover rules: the hand over a button, the arrow over the window background and the frames; a busy
// hourglass stays. A move that a button ignores travels on to the frame or window around it, so there
// only a move over bare background (no control under the pointer) brings the arrow back.
void Form1::Hover(QWidget* widget, const QPoint& at) {
    if (m_pointer == pf::MousePointer::Hourglass) {
        return;
    }
    if (std::find(std::begin(m_pushButtons), std::end(m_pushButtons), widget) != std::end(m_pushButtons)) {
        SetPointer(pf::MousePointer::Custom);
    } else if (widget->childAt(at) == nullptr) {
        SetPointer(pf::MousePointer::Default);
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    switch (m_events.Form_Unload()) {
    case pf::UnloadAction::HideUntilRunEnds:
        hide();
        event->ignore();
        emit ClosingDuringRun(); // ends the wait under way
        break;
    case pf::UnloadAction::EndProgramNow:
        event->accept();
        QApplication::closeAllWindows();
        pf::platform::EndProgramNow(0);
        break;
    case pf::UnloadAction::CloseWindow:
        event->accept();
        break;
    }
}

// The user closed the window during the run: end now that the printers are restored. The hidden window
// never reports the last window closed, so the program leaves its event loops itself.
void Form1::EndAfterRun() {
    close();
    QCoreApplication::exit(0);
}

// ---------------------------------------------------------------- Form: rows

// The model row of a 1-based index; fails as the list control does for a row that is not there.
long Form1::Row(long index) const {
    if (index < 1 || index > RowCount()) {
        throw pf::RuntimeError(pf::err::kIndexOutOfBounds);
    }
    return index - 1;
}

// The view's index of a 1-based row, after the view has heard of every appended row.
QModelIndex Form1::ViewIndex(long index) const {
    const long row = Row(index);
    m_listView1->Rows().Flush();
    return m_listView1->Rows().index(static_cast<int>(row), 0);
}

long Form1::IndexOf(const QModelIndex& index) {
    return index.isValid() ? index.row() + 1 : 0;
}

long Form1::RowCount() const {
    return m_listView1->Rows().Count();
}

std::string Form1::RowText(long index) const {
    return m_listView1->Rows().Path(Row(index));
}

void Form1::AppendRow(const std::string& text) {
    m_listView1->Rows().Append(text);
}

void Form1::SetRowText(long index, const std::string& text) {
    m_listView1->Rows().SetPath(Row(index), text);
}

void Form1::RemoveRow(long index) {
    m_listView1->Rows().Remove(Row(index));
}

void Form1::ClearRows() {
    m_listView1->Rows().Clear();
}

void Form1::SelectRow(long index) {
    m_listView1->setCurrentIndex(ViewIndex(index));
}

long Form1::CurrentRow() const {
    m_listView1->Rows().Flush();
    return IndexOf(m_listView1->currentIndex());
}

long Form1::RowAt(int x, int y) const {
    m_listView1->Rows().Flush();
    return IndexOf(m_listView1->indexAt(QPoint(x, y)));
}

void Form1::ScrollRowIntoView(long index) {
    m_listView1->scrollTo(ViewIndex(index));
}

pf::RowId Form1::RowIdAt(long index) const {
    return m_listView1->Rows().IdAt(Row(index));
}

long Form1::IndexOfRow(pf::RowId id) const {
    return id == 0 ? 0 : m_listView1->Rows().RowOf(id) + 1;
}

// ---------------------------------------------------------------- Form: pointers, boxes, progress

void Form1::SetPointer(pf::MousePointer pointer) {
    m_pointer = pointer;
    switch (pointer) {
    case pf::MousePointer::Hourglass:
        setCursor(Qt::WaitCursor);
        break;
    case pf::MousePointer::Custom:
        if (m_customCursor) {
            setCursor(*m_customCursor);
        } else {
            unsetCursor(); // no picture loaded: the custom pointer looks like the default one
        }
        break;
    case pf::MousePointer::Default:
        unsetCursor();
        break;
    }
}

void Form1::SetListDragPointer(bool dragging) {
    QWidget* viewport = m_listView1->viewport();
    if (!dragging) {
        viewport->setCursor(Qt::ArrowCursor);
        return;
    }
    const QPixmap picture(QString::fromStdString(InProgramFolder("drag.ico")));
    viewport->setCursor(picture.isNull() ? QCursor(Qt::ArrowCursor) : QCursor(picture));
}

int Form1::CursorScreenY() const {
    return QCursor::pos().y();
}

std::string Form1::Text1() const {
    return m_text1->text().toStdString();
}

void Form1::SetText1(const std::string& text) {
    m_text1->setText(QString::fromStdString(text));
}

std::string Form1::Text2() const {
    return m_text2->text().toStdString();
}

void Form1::SetText2(const std::string& text) {
    m_text2->setText(QString::fromStdString(text));
}

void Form1::SetProgress(double value) {
    m_progressBar1->setValue(static_cast<int>(std::nearbyint(value)));
}

void Form1::SetProgressCaption(const std::string& caption) {
    m_progressBar1->setFormat(QString::fromStdString(caption).replace('%', QStringLiteral("%%")));
}

// ---------------------------------------------------------------- Form: the message loop

// A folder walk lets messages run several times per folder, tens of thousands of times a second, and
// each look at the window system costs more than a folder's own work. A call that comes within a few
// milliseconds of the last look returns at once, so the window still answers within that time.
void Form1::DoEvents() {
    m_listView1->Rows().Flush();
    if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < kEventsIntervalMs) {
        return;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_sinceEvents.start();
}

void Form1::WaitWithEvents(int milliseconds) {
    if (milliseconds <= 0) {
        DoEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    connect(this, &Form1::ClosingDuringRun, &loop, &QEventLoop::quit);
    loop.exec();
}

double Form1::SecondsSinceMidnight() const {
    return pf::platform::SecondsSinceMidnight();
}

// ---------------------------------------------------------------- WindowSetup

void Form1::ApplySkinFile(const std::string& skinFile) {
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    for (QWidget* widget :
         {static_cast<QWidget*>(this), static_cast<QWidget*>(m_frame1), static_cast<QWidget*>(m_frame2)}) {
        SetBackground(widget, buttonFace);
    }
    QFile file(QString::fromStdString(skinFile));
    if (!file.open(QIODevice::ReadOnly)) {
        throw pf::RuntimeError(pf::err::kFileNotFound);
    }
    setStyleSheet(QString::fromUtf8(file.readAll()));
}

void Form1::LoadCustomPointer(const std::string& cursorFile) {
    m_customCursor = LoadCursorFile(QString::fromStdString(cursorFile));
    if (m_pointer == pf::MousePointer::Custom) {
        SetPointer(m_pointer);
    }
}

void Form1::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

void Form1::SetProgramIcon() {
    const QIcon icon(QString::fromStdString(InProgramFolder("plumavert-fennic.png")));
    setWindowIcon(icon);
    QApplication::setWindowIcon(icon);
}

void Form1::AddListColumn(const std::string& header) {
    m_listView1->Rows().SetHeader(QString::fromStdString(header));
}

void Form1::SetListColumnWidth(int twips) {
    m_listView1->setColumnWidth(0, twips / kTwipsPerPixel);
}

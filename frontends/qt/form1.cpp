#include "form1.h"

#include "cursorfile.h"
#include "filelistview.h"
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

} // namespace

Form1::Form1(pf::UserInterface* ui, QWidget* parent)
    : QWidget(parent), m_qtUi(std::make_unique<pf::QtUserInterface>(this)),
      m_ui(ui != nullptr ? ui : m_qtUi.get()) {
    SetupControls();
    ConnectSignals();
    SetTabOrder();
}

Form1::~Form1() = default;

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
    // The widget a control stands in: its frame, or the window.
    const auto owner = [this](const ControlPlace& place) -> QWidget* {
        if (place.frame == nullptr) {
            return this;
        }
        return place.frame == &kFrame1 ? m_frame1 : m_frame2;
    };
    m_text1 = Place(new QLineEdit(owner(kText1)), kText1);
    m_text2 = Place(new QLineEdit(owner(kText2)), kText2);

    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        m_pushButtons[i] = Place(new QPushButton(kButtons[i].caption, owner(kButtons[i])), kButtons[i]);
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
        connect(button, &QPushButton::clicked, this, [this, handler = *click++] { (Events().*handler)(); });
    }
    connect(m_text1, &QLineEdit::textChanged, this, [this] { Events().Text1_Change(); });
    connect(m_text2, &QLineEdit::textChanged, this, [this] { Events().Text2_Change(); });
    connect(m_listView1, &FileListView::MouseDown, this, [this] { Events().ListView1_MouseDown(); });
    connect(m_listView1, &FileListView::ItemClick, this, [this] { Events().ListView1_ItemClick(); });
    connect(m_listView1, &FileListView::MouseMove, this,
            [this](int x, int y) { Events().ListView1_MouseMove(x, y); });
    connect(m_listView1, &FileListView::MouseUp, this, [this] { Events().ListView1_MouseUp(); });
    connect(m_listView1, &FileListView::DblClick, this, [this] { Events().ListView1_DblClick(); });
    connect(m_listView1, &FileListView::DeleteKey, this, [this] { Events().ListView1_DeleteKey(); });
    connect(m_listView1, &FileListView::FilesDropped, this,
            [this](const std::vector<std::string>& paths) { Events().ListView1_OLEDragDrop(paths); });
}

// Tab order by the controls' tab indexes, as the layout table lists them.
void Form1::SetTabOrder() {
    for (std::size_t i = 0; i + 1 < kTabOrder.size(); ++i) {
        setTabOrder(findChild<QWidget*>(kTabOrder[i]), findChild<QWidget*>(kTabOrder[i + 1]));
    }
    m_progressBar1->setFocusPolicy(Qt::NoFocus);
}

// ---------------------------------------------------------------- hover and closing

// Moves over the buttons, the frames and the window, for the hover rules. A move that a button ignores
// travels on to the frame or window around it, so there only a move over bare background (no control
// under the pointer) counts as one over the background.
bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        auto* widget = static_cast<QWidget*>(watched);
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        const bool overButton =
            std::find(m_pushButtons.begin(), m_pushButtons.end(), widget) != m_pushButtons.end();
        Hover(overButton                       ? pf::HoverTarget::Button
              : widget->childAt(at) == nullptr ? pf::HoverTarget::Background
                                               : pf::HoverTarget::Other);
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
    if (UnloadRequested()) {
        event->accept();
    } else {
        event->ignore();
    }
}

// The user closed the window during the run: end now that the printers are restored. The hidden window
// never reports the last window closed, so the program leaves its event loops itself.
void Form1::EndAfterRun() {
    close();
    QCoreApplication::exit(0);
}

// ---------------------------------------------------------------- Form: rows

// The view's index of a 1-based row, after the view has heard of every appended row.
QModelIndex Form1::ViewIndex(long index) const {
    const long row = pf::ListPosition(*this, index);
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
    return m_listView1->Rows().Path(pf::ListPosition(*this, index));
}

void Form1::AppendRow(const std::string& text) {
    m_listView1->Rows().Append(text);
}

void Form1::SetRowText(long index, const std::string& text) {
    m_listView1->Rows().SetPath(pf::ListPosition(*this, index), text);
}

void Form1::RemoveRow(long index) {
    m_listView1->Rows().Remove(pf::ListPosition(*this, index));
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
    return m_listView1->Rows().IdAt(pf::ListPosition(*this, index));
}

long Form1::IndexOfRow(pf::RowId id) const {
    return id == 0 ? 0 : m_listView1->Rows().RowOf(id) + 1;
}

// ---------------------------------------------------------------- Form: pointers, boxes, progress

void Form1::ShowPointer() {
    switch (Pointer()) {
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
    const QPixmap picture(QString::fromStdString(pf::platform::InProgramFolder("drag.ico")));
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

void Form1::RunPendingMessages() {
    m_listView1->Rows().Flush();
    QCoreApplication::sendPostedEvents(); // the dispatcher may leave them for a later pass
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// A timer wakes the wait when no message comes before the time has passed.
void Form1::WaitForMessages(int milliseconds) {
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(milliseconds);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
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
    if (Pointer() == pf::MousePointer::Custom) {
        ShowPointer();
    }
}

void Form1::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

void Form1::SetProgramIcon() {
    const QIcon icon(QString::fromStdString(pf::platform::InProgramFolder("plumavert-fennic.png")));
    setWindowIcon(icon);
    QApplication::setWindowIcon(icon);
}

void Form1::AddListColumn(const std::string& header) {
    m_listView1->Rows().SetHeader(QString::fromStdString(header));
}

void Form1::SetListColumnWidth(int twips) {
    m_listView1->setColumnWidth(0, twips / kTwipsPerPixel);
}

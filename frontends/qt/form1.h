#pragma once

#include "windowform.h"

#include <QCursor>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class FileListView;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QModelIndex;

namespace pf {
class QtUserInterface;
}

// The program's one window. It lays out the controls, turns widget events into the handlers of the
// window-free operations, and serves those operations as their Form.
class Form1 : public QWidget, public pf::WindowForm {
    Q_OBJECT

public:
    // ui replaces the Qt dialogs (tests script them); nullptr uses the real ones.
    explicit Form1(pf::UserInterface* ui = nullptr, QWidget* parent = nullptr);
    ~Form1() override;

    // ---- Form
    long RowCount() const override;
    std::string RowText(long index) const override;
    void AppendRow(const std::string& text) override;
    void SetRowText(long index, const std::string& text) override;
    void RemoveRow(long index) override;
    void ClearRows() override;
    void SelectRow(long index) override;
    long CurrentRow() const override;
    long RowAt(int x, int y) const override;
    void ScrollRowIntoView(long index) override;
    pf::RowId RowIdAt(long index) const override;
    long IndexOfRow(pf::RowId id) const override;
    void SetListDragPointer(bool dragging) override;
    int CursorScreenY() const override;
    std::string Text1() const override;
    void SetText1(const std::string& text) override;
    std::string Text2() const override;
    void SetText2(const std::string& text) override;
    void SetProgress(double value) override;
    void SetProgressCaption(const std::string& caption) override;
    pf::UserInterface& Ui() override { return *m_ui; }

    // ---- WindowSetup
    void ApplySkinFile(const std::string& skinFile) override;
    void LoadCustomPointer(const std::string& cursorFile) override;
    void SetCaption(const std::string& caption) override;
    void SetProgramIcon() override;
    void AddListColumn(const std::string& header) override;
    void SetListColumnWidth(int twips) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // ---- WindowForm
    void ShowPointer() override;
    void RunPendingMessages() override;
    void WaitForMessages(int milliseconds) override;
    void HideWindow() override { hide(); }
    void EndAfterRun() override;

private:
    void SetupControls();
    void ConnectSignals();
    void SetTabOrder();
    QModelIndex ViewIndex(long index) const;
    static long IndexOf(const QModelIndex& index);

    std::unique_ptr<pf::QtUserInterface> m_qtUi;
    pf::UserInterface* m_ui;
    std::optional<QCursor> m_customCursor;

    FileListView* m_listView1 = nullptr;
    std::array<QPushButton*, 7> m_pushButtons = {};
    QGroupBox* m_frame1 = nullptr;
    QGroupBox* m_frame2 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QProgressBar* m_progressBar1 = nullptr;
};

#pragma once

#include "form.h"

#include <memory>

class QFileDialog;
class QWidget;

namespace pf {

// The dialogs and shell actions with Qt widgets, owned by the main window.
class QtUserInterface : public UserInterface {
public:
    explicit QtUserInterface(QWidget* owner) : m_owner(owner) {}

    MessageAnswer ShowMessage(const std::string& text, const std::string& title, MessageButtons buttons,
                              MessageIcon icon) override;
    std::string AskText(const std::string& prompt, const std::string& title,
                        const std::string& defaultAnswer) override;
    std::string BrowseForFolder(const std::string& prompt, const std::string& startFolder) override;
    std::vector<std::string> ShowOpenDialog(const FileDialogOptions& options) override;
    void OpenFolder(const std::string& path) override;
    void OpenAddress(const std::string& address) override;

private:
    QWidget* m_owner;
};

// Turns CR LF and bare CR line ends into the line feeds a Qt label breaks lines at.
std::string VisibleLineBreaks(const std::string& text);

// Turns "All Files (*.*)|*.*|Text Files (*.txt)|*.txt" into Qt's name filters: each description as it
// stands, followed by the pattern Qt matches with ("*.*" becomes "*", which also takes names without a dot).
std::string QtNameFilters(const std::string& filter);

// The open-file dialog, set up as the options ask, not yet shown. Its filter box lists each filter's
// description exactly as written.
std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* owner, const FileDialogOptions& options);

} // namespace pf

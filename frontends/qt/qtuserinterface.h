#pragma once

#include "form.h"

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

// Turns "Description (*.*)|*.*|Text Files (*.txt)|*.txt" into Qt's name filters.
std::string QtNameFilters(const std::string& filter);

} // namespace pf

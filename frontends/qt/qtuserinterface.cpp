#include "qtuserinterface.h"

#include "adders.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace pf {

namespace {
QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
} // namespace

std::string VisibleLineBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string QtNameFilters(const std::string& filter) {
    std::string filters;
    std::size_t start = 0;
    while (start < filter.size()) {
        const auto bar = filter.find('|', start);
        const auto end = filter.find('|', bar == std::string::npos ? filter.size() : bar + 1);
        const std::string description = filter.substr(start, bar - start);
        std::string pattern = bar == std::string::npos ? "*" : filter.substr(bar + 1, end - bar - 1);
        if (pattern == "*.*") {
            pattern = "*"; // every name, also names without a dot
        }
        if (!filters.empty()) {
            filters += ";;";
        }
        filters.append(description).append(" (").append(pattern).append(")");
        start = end == std::string::npos ? filter.size() : end + 1;
    }
    return filters;
}

std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* owner, const FileDialogOptions& options) {
    auto dialog = std::make_unique<QFileDialog>(owner, Q(options.title));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    // Qt's own dialog, told to hide the patterns it would otherwise show: each entry of the filter box
    // then reads exactly as the filter describes it.
    dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog->setNameFilter(Q(QtNameFilters(options.filter)));
    return dialog;
}

MessageAnswer QtUserInterface::ShowMessage(const std::string& text, const std::string& title,
                                           MessageButtons buttons, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, Q(title),
                    Q(VisibleLineBreaks(text)),
                    buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    m_owner);
    box.setTextFormat(Qt::PlainText);
    const int answer = box.exec();
    if (buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

std::string QtUserInterface::AskText(const std::string& prompt, const std::string& title,
                                     const std::string& defaultAnswer) {
    bool accepted = false;
    const QString answer = QInputDialog::getText(m_owner, Q(title), Q(VisibleLineBreaks(prompt)),
                                                 QLineEdit::Normal, Q(defaultAnswer), &accepted);
    return accepted ? answer.toStdString() : std::string();
}

std::string QtUserInterface::BrowseForFolder(const std::string& prompt, const std::string& startFolder) {
    return QFileDialog::getExistingDirectory(m_owner, Q(prompt), Q(startFolder), QFileDialog::ShowDirsOnly)
        .toStdString();
}

std::vector<std::string> QtUserInterface::ShowOpenDialog(const FileDialogOptions& options) {
    const auto dialog = MakeOpenDialog(m_owner, options);
    if (dialog->exec() != QDialog::Accepted) {
        return {};
    }
    std::vector<std::string> paths;
    for (const QString& path : dialog->selectedFiles()) {
        paths.push_back(path.toStdString());
    }
    // The selection must fit the buffer that the classic dialog would fill with its file name text.
    ComposeFileDialogResult(paths, options.maxFileNameLength);
    return paths;
}

void QtUserInterface::OpenFolder(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
}

void QtUserInterface::OpenAddress(const std::string& address) {
    QDesktopServices::openUrl(QUrl(Q(address)));
}

} // namespace pf

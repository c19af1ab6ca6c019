#include "scriptedui.h"

namespace pf::test {

namespace {
template <typename T> T Next(std::deque<T>& queue, T fallback) {
    if (queue.empty()) {
        return fallback;
    }
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}
} // namespace

MessageAnswer ScriptedUi::ShowMessage(const std::string& text, const std::string& title,
                                      MessageButtons buttons, MessageIcon icon) {
    messages.push_back({text, title, buttons, icon});
    if (onMessage) {
        onMessage(messages.back());
    }
    const MessageAnswer fallback = buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    return Next(messageAnswers, fallback);
}

std::string ScriptedUi::AskText(const std::string& prompt, const std::string& title,
                                const std::string& defaultAnswer) {
    prompts.push_back({prompt, title, defaultAnswer});
    return Next(textAnswers, std::string());
}

std::string ScriptedUi::BrowseForFolder(const std::string& prompt, const std::string& startFolder) {
    browses.push_back({prompt, startFolder});
    return Next(folderAnswers, std::string());
}

std::vector<std::string> ScriptedUi::ShowOpenDialog(const FileDialogOptions& options) {
    fileDialogs.push_back(options);
    auto answer =
        Next(fileDialogAnswers, std::function<std::vector<std::string>(const FileDialogOptions&)>());
    return answer ? answer(options) : std::vector<std::string>();
}

std::vector<std::string> ScriptedUi::MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& message : messages) {
        texts.push_back(message.text);
    }
    return texts;
}

} // namespace pf::test

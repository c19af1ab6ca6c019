#pragma once

#include "form.h"

#include <deque>
#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace pf::test {

// A user-interface seam that records everything shown and answers from queues the test fills.
// An empty queue answers like a user who cancels (or presses OK / No).
class ScriptedUi : public UserInterface {
public:
    struct Message {
        std::string text;
        std::string title;
        MessageButtons buttons;
        MessageIcon icon;
    };
    struct Prompt {
        std::string prompt;
        std::string title;
        std::string defaultAnswer;
    };
    struct Browse {
        std::string prompt;
        std::string startFolder;
    };

    // Queued answers.
    std::deque<MessageAnswer> messageAnswers;
    std::deque<std::string> textAnswers; // "" cancels
    std::deque<std::string> folderAnswers;
    // Each entry is called with the options and returns the chosen paths (it may throw).
    std::deque<std::function<std::vector<std::string>(const FileDialogOptions&)>> fileDialogAnswers;
    // Called after a message was recorded, e.g. to act while a modal box is open.
    std::function<void(const Message&)> onMessage;

    // What was shown, in order.
    std::vector<Message> messages;
    std::vector<Prompt> prompts;
    std::vector<Browse> browses;
    std::vector<FileDialogOptions> fileDialogs;
    std::vector<std::string> openedFolders;
    std::vector<std::string> openedAddresses;

    MessageAnswer ShowMessage(const std::string& text, const std::string& title, MessageButtons buttons,
                              MessageIcon icon) override;
    std::string AskText(const std::string& prompt, const std::string& title,
                        const std::string& defaultAnswer) override;
    std::string BrowseForFolder(const std::string& prompt, const std::string& startFolder) override;
    std::vector<std::string> ShowOpenDialog(const FileDialogOptions& options) override;
    void OpenFolder(const std::string& path) override { openedFolders.push_back(path); }
    void OpenAddress(const std::string& address) override { openedAddresses.push_back(address); }

    // The texts of every message shown, in order.
    std::vector<std::string> MessageTexts() const;
};

} // namespace pf::test

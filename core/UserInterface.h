#pragma once
// The only way the core talks to the user. The window, the command-line front
// end and the tests each provide their own implementation.

#include <optional>
#include <string>

namespace fenlark {

enum class MessageIcon { Critical, Warning, Information };

struct Message {
    MessageIcon icon = MessageIcon::Information;
    std::string title;
    std::string text;
    std::optional<std::string> textId; // language text id, when the text came from the table
};

struct FileDialogRequest {
    std::string title;
    std::string filter;      // "Description (pattern)|pattern"
    std::string initialName; // preset file name
};

class UserInterface {
public:
    virtual ~UserInterface() = default;

    // A modal message box with one OK button; returns when it is closed.
    virtual void showMessage(const Message& message) = 0;
    // The "Processing demo please wait..." window, shown and painted at once.
    virtual void showWait() = 0;
    virtual void hideWait() = 0;
    // The open and save dialogs; std::nullopt when the user cancels.
    virtual std::optional<std::string> askOpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> askSaveFile(const FileDialogRequest& request) = 0;
    // Called when the flow ends the program (a demo that cannot be read under a
    // probe). The core then unwinds with ProgramEnded; the window may exit here.
    virtual void endProgram() = 0;
};

// Thrown by the core after UserInterface::endProgram() so that nothing more of
// the flow runs; caught by the entry points of Session.
struct ProgramEnded {};

} // namespace fenlark

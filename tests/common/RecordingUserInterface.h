#pragma once
// A user interface for tests: records what the core shows and answers the
// dialogs from preset values.

#include "core/UserInterface.h"

#include <optional>
#include <string>
#include <vector>

namespace fenlark::test {

class RecordingUserInterface : public UserInterface {
public:
    void showMessage(const Message& message) override {
        messages.push_back(message);
        events.push_back(waitVisible ? "message while waiting" : "message");
    }
    void showWait() override {
        waitVisible = true;
        events.push_back("show wait");
    }
    void hideWait() override {
        waitVisible = false;
        events.push_back("hide wait");
    }
    std::optional<std::string> askOpenFile(const FileDialogRequest& request) override {
        openRequests.push_back(request);
        return openAnswer;
    }
    std::optional<std::string> askSaveFile(const FileDialogRequest& request) override {
        saveRequests.push_back(request);
        return saveAnswer;
    }
    void endProgram() override { ended = true; }

    std::vector<Message> messages;
    std::vector<std::string> events;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    std::optional<std::string> openAnswer;
    std::optional<std::string> saveAnswer;
    bool waitVisible = false;
    bool ended = false;
};

} // namespace fenlark::test

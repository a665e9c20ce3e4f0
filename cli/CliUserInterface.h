#pragma once
// The user interface of fenlark-info: message boxes become lines on standard
// error and entries of the report; dialogs answer from the command line.

#include "core/UserInterface.h"

#include <optional>
#include <string>
#include <vector>

namespace fenlark::cli {

class CliUserInterface : public UserInterface {
public:
    void showMessage(const Message& message) override;
    void showWait() override {}
    void hideWait() override {}
    std::optional<std::string> askOpenFile(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> askSaveFile(const FileDialogRequest&) override { return savePath; }
    void endProgram() override { ended = true; }

    // Messages shown since the last call of takeMessages().
    std::vector<Message> takeMessages();
    bool sawWarningOrCritical() const { return warningOrCritical_; }

    std::optional<std::string> savePath; // the --log file
    bool ended = false;

private:
    std::vector<Message> messages_;
    bool warningOrCritical_ = false;
};

const char* IconName(MessageIcon icon);

} // namespace fenlark::cli

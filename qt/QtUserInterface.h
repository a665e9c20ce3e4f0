#pragma once
// The core's user interface in Qt: message boxes, the wait window and the
// file dialogs. The modal parts are virtual so that tests can answer them
// without running a nested event loop.

#include "core/UserInterface.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>

namespace fenlark::gui {

class FenlarkWindow;
class WaitWindow;

// What a file dialog is asked to be, in Qt's terms.
struct FileDialogSetup {
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    QString title;
    QStringList nameFilters;
    QString initialName;
};

// Turns the core's "Description|pattern|Description|pattern" filter into Qt
// name filters. Each Qt filter is the description followed by its patterns in
// parentheses; "*.*" becomes "*" because it means every file, dotted or not.
QStringList NameFiltersFromCore(const std::string& filter);

FileDialogSetup OpenDialogSetup(const FileDialogRequest& request);
FileDialogSetup SaveDialogSetup(const FileDialogRequest& request);

// Applies a setup to a dialog: any file name is accepted (the open dialog
// does not insist that the file exists, the save dialog does not ask before
// replacing one) and the filter combo shows the descriptions only.
void ConfigureFileDialog(QFileDialog& dialog, const FileDialogSetup& setup);

// Makes a message box at least as wide as its title, with room for the title
// bar's icon and buttons, so that the title is never cut short.
void FitMessageBoxToTitle(QMessageBox& box);

// Text of the core (one byte per character) for display.
QString DisplayText(const std::string& bytes);
// A path of the core (the platform's own encoding) as a QString.
QString PathText(const std::string& path);

class QtUserInterface : public UserInterface {
public:
    QtUserInterface();
    ~QtUserInterface() override;
    QtUserInterface(const QtUserInterface&) = delete;
    QtUserInterface& operator=(const QtUserInterface&) = delete;

    // The window refreshed before a message box, so that the box appears
    // over up-to-date fields.
    void setWindow(FenlarkWindow* window) { window_ = window; }

    void showMessage(const Message& message) override;
    void showWait() override;
    void hideWait() override;
    std::optional<std::string> askOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> askSaveFile(const FileDialogRequest& request) override;
    void endProgram() override;

    // frmWait, created on first use as a tool window of the main window
    // (which then owns it) when there is one.
    WaitWindow& waitWindow();

protected:
    // A modal box with one OK button.
    virtual void execMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text);
    // A modal file dialog; the chosen path, or std::nullopt when cancelled.
    virtual std::optional<QString> execFileDialog(const FileDialogSetup& setup);
    // Leaves the process at once: no further window events run.
    virtual void exitProcess();

    QWidget* dialogParent() const;

private:
    std::optional<std::string> askFile(const FileDialogSetup& setup);

    FenlarkWindow* window_ = nullptr;
    QPointer<WaitWindow> wait_;
};

} // namespace fenlark::gui

#pragma once
// Opens the library window beside the main window: on Ctrl+L or "Library..."
// in the main window's context menu, or at start-up with --library. A demo
// opened from the library is loaded into the main window as a chosen file is.

#include "core/ByteSource.h"
#include "qt/LibraryWindow.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <string>

namespace fenlark {
class Session;
}

namespace fenlark::gui {

class FenlarkWindow;

class LibraryLauncher : public QObject {
    Q_OBJECT
public:
    LibraryLauncher(Session& session, FenlarkWindow& mainWindow);
    ~LibraryLauncher() override;

    // Shows the library window (made on first use) and scans the folders.
    // False, after telling the user why, when the library cannot be opened.
    bool open(const QStringList& folders);
    // Shows a demo of the library in the main window.
    void openDemo(const QString& path, const QString& member);
    LibraryWindow* window() const { return library_.get(); }

private:
    // Loads a member of an archive into the main window; false when the
    // archive no longer holds it.
    bool loadMember(const std::string& archive, const std::string& member);

    Session& session_;
    FenlarkWindow& mainWindow_;
    // The bytes of the member shown in the main window. They stay while it is
    // the current demo, so that commands on it (the demo log) read them too;
    // loading any other demo points the session away from them.
    std::unique_ptr<MemorySource> memberBytes_;
    std::unique_ptr<LibraryWindow> library_;
};

} // namespace fenlark::gui

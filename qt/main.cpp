// fenlark: shows what a recorded match was.
//
//   fenlark [--] [DEMO]
//   fenlark --library [FOLDER...]
//   fenlark --help | --version
//
// The demo named on the command line is read before the window first shows.
// With --library the library window opens instead, and scans the folders.

#include "app/StartUp.h"
#include "core/Files.h"
#include "core/Session.h"
#include "lang/Language.h"
#include "qt/FenlarkWindow.h"
#include "qt/LibraryLauncher.h"
#include "qt/MatchCommand.h"
#include "qt/ProgramStart.h"
#include "qt/QtUserInterface.h"
#include "settings/LanguageSetting.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <optional>

namespace {

using fenlark::gui::WindowCommandLine;

// Prints what --help, --version or a usage error asked for; returns the exit
// status, or nothing when the program goes on.
std::optional<int> Answer(const WindowCommandLine& line) {
    switch (line.action) {
    case WindowCommandLine::Action::Help:
    case WindowCommandLine::Action::Version:
        std::fputs(line.output.c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case WindowCommandLine::Action::UsageError:
        std::fputs(line.output.c_str(), stderr);
        return WindowCommandLine::ExitUsage;
    case WindowCommandLine::Action::Window:
    case WindowCommandLine::Action::Library:
        break;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    // --help and --version need no display, so they are answered before the
    // application starts. A usage error waits: the option may be one of Qt's
    // own (--platform), which the application takes out of argv.
    if (const WindowCommandLine early = fenlark::gui::ParseWindowCommandLine(argc, argv);
        early.action == WindowCommandLine::Action::Help ||
        early.action == WindowCommandLine::Action::Version) {
        return *Answer(early);
    }
    QApplication app(argc, argv);
    // Qt has taken its own options (such as -platform) out of argv here.
    const WindowCommandLine line = fenlark::gui::ParseWindowCommandLine(argc, argv);
    if (const std::optional<int> status = Answer(line)) {
        return *status;
    }

    fenlark::gui::QtUserInterface ui;
    fenlark::Language language;
    fenlark::Session session(ui, language, fenlark::ProgramFolder(argv[0]));
    fenlark::gui::FenlarkWindow window(session, ui);
    ui.setWindow(&window);
    new fenlark::gui::MatchCommand(window, session); // owned by the window
    QObject::connect(&window, &fenlark::gui::FenlarkWindow::programClosed, &app,
                     &QCoreApplication::quit);
    fenlark::gui::LibraryLauncher library(session, window);
    QObject::connect(&window, &fenlark::gui::FenlarkWindow::libraryRequested, &library,
                     [&library] { library.open({}); });

    fenlark::StartUp(session, line.demoText, fenlark::ReadLanguageSetting());
    window.refresh();
    if (line.action == WindowCommandLine::Action::Library) {
        QStringList folders;
        for (const std::string& folder : line.folders) {
            folders << QFile::decodeName(QByteArray::fromStdString(folder));
        }
        if (!library.open(folders)) {
            return 1;
        }
    } else {
        window.show();
    }
    return QApplication::exec();
}

// fenlark: shows what a recorded match was.
//
//   fenlark [DEMO]
//   fenlark --library [FOLDER...]
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

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt has taken its own options (such as -platform) out of argv here.
    const bool libraryMode = argc >= 2 && QByteArray(argv[1]) == "--library";
    const std::string argumentText =
        libraryMode ? std::string() : fenlark::gui::ProgramArgumentText(argc, argv);

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

    fenlark::StartUp(session, argumentText, fenlark::ReadLanguageSetting());
    window.refresh();
    if (libraryMode) {
        QStringList folders;
        for (int i = 2; i < argc; ++i) {
            folders << QFile::decodeName(argv[i]);
        }
        if (!library.open(folders)) {
            return 1;
        }
    } else {
        window.show();
    }
    return QApplication::exec();
}

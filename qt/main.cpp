// fenlark: shows what a recorded match was.
//
//   fenlark [DEMO]
//
// The demo named on the command line is read before the window first shows.

#include "app/StartUp.h"
#include "core/Files.h"
#include "core/Session.h"
#include "lang/Language.h"
#include "qt/FenlarkWindow.h"
#include "qt/MatchCommand.h"
#include "qt/ProgramStart.h"
#include "qt/QtUserInterface.h"
#include "settings/LanguageSetting.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt has taken its own options (such as -platform) out of argv here.
    const std::string argumentText = fenlark::gui::ProgramArgumentText(argc, argv);

    fenlark::gui::QtUserInterface ui;
    fenlark::Language language;
    fenlark::Session session(ui, language, fenlark::ProgramFolder(argv[0]));
    fenlark::gui::FenlarkWindow window(session, ui);
    ui.setWindow(&window);
    new fenlark::gui::MatchCommand(window, session); // owned by the window
    QObject::connect(&window, &fenlark::gui::FenlarkWindow::programClosed, &app,
                     &QCoreApplication::quit);

    fenlark::StartUp(session, argumentText, fenlark::ReadLanguageSetting());
    window.refresh();
    window.show();
    return QApplication::exec();
}

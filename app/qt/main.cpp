// fenlark: shows what a recorded match was.
//
//   fenlark [DEMO]
//
// The demo named on the command line is read before the window first shows.

#include "app/LoadDemo.h"
#include "app/Session.h"
#include "app/qt/FenlarkWindow.h"
#include "app/qt/ProgramStart.h"
#include "app/qt/QtUserInterface.h"
#include "app/settings/LanguageSetting.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt has taken its own options (such as -platform) out of argv here.
    const std::string argumentText = fenlark::gui::ProgramArgumentText(argc, argv);

    fenlark::gui::QtUserInterface ui;
    fenlark::Session session(ui, fenlark::gui::ProgramFolder());
    fenlark::gui::FenlarkWindow window(session, ui);
    ui.setWindow(&window);
    QObject::connect(&window, &fenlark::gui::FenlarkWindow::programClosed, &app,
                     &QCoreApplication::quit);

    fenlark::StartUp(session, argumentText, fenlark::ReadLanguageSetting());
    window.refresh();
    window.show();
    return QApplication::exec();
}

#pragma once
// What the program takes from its own process at start-up: the command line
// of the window, split into options and the demo path.

#include <string>
#include <vector>

namespace fenlark::gui {

// What the command line asks the window program to do.
struct WindowCommandLine {
    enum class Action {
        Window,     // open the main window, with demoText when it is not empty
        Library,    // open the library window over `folders`
        Help,       // print `output` on standard output, exit 0
        Version,    // print `output` on standard output, exit 0
        UsageError, // print `output` on standard error, exit ExitUsage
    };
    static constexpr int ExitUsage = 2;

    Action action = Action::Window;
    std::string demoText;             // the demo path as typed, before clean-up
    std::vector<std::string> folders; // bytes as given
    std::string output;
};

// Splits the arguments after the program name. An argument that begins with
// "--" is an option (--library, --help, --version); "--" itself ends the
// options. Every other argument, one that begins with a single "-" too,
// belongs to the demo path: they are joined with single blanks, bytes as
// given, so a path with blanks needs no quotation marks. With --library the
// same arguments are the folders to open. Needs no application object, so
// --help and --version work without a display.
WindowCommandLine ParseWindowCommandLine(int argc, const char* const* argv);

} // namespace fenlark::gui

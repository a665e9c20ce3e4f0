#pragma once
// What the program takes from its own process at start-up.

#include <string>

namespace fenlark::gui {

// The program's argument text: the arguments after the program name joined
// with single blanks, bytes as given.
std::string ProgramArgumentText(int argc, const char* const* argv);

} // namespace fenlark::gui

#pragma once
// Where the demo library keeps its index when the user names none: the file
// library.sqlite in the user's data folder for the application
// (QStandardPaths::AppDataLocation, on Linux ~/.local/share/Kalvenor/Fenlark).

#include <string>

namespace fenlark {

// The path of the default library database; its folder is created when missing.
std::string DefaultLibraryDatabase();

} // namespace fenlark

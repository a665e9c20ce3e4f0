#pragma once
// Where the programs find the files they share: the game definitions (Data/)
// and the language text table.
//
// An installation keeps them in <prefix>/share/fenlark/, beside the program
// folder <prefix>/bin/; the build tree keeps them directly in the folder above
// bin/. Both are found relative to the program's own folder, so an installed
// tree can be moved to any prefix.

#include <string>

namespace fenlark {

// The folder holding Data/ and the language table, with a trailing separator:
// "<program folder>/../share/fenlark/" when that folder exists, otherwise
// "<program folder>/../".
std::string SharedFilesFolder(const std::string& programFolder);

// The default folder of the game definitions: SharedFilesFolder() + "Data/".
std::string DefaultDefinitionsFolder(const std::string& programFolder);

} // namespace fenlark

#pragma once
// File helpers shared by every layer: whole-file reading, the readable-file
// check and the program's own folder.

#include <optional>
#include <string>

namespace fenlark {

// The bytes of the file at `path`; std::nullopt when it cannot be opened.
std::optional<std::string> ReadWholeFile(const std::string& path);

// True when `path` names an existing file that this process may read.
bool IsReadableFile(const std::string& path);

// The folder of the running executable (symbolic links resolved, no trailing
// separator). `argv0` is the fallback when the system cannot tell.
std::string ProgramFolder(const char* argv0);

} // namespace fenlark

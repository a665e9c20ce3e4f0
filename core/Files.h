#pragma once
// File helpers shared by every layer: the one open of a file the tool reads,
// whole-file reading, the readable-file check, same-file test and the
// program's own folder.

#include <optional>
#include <string>

namespace fenlark {

// Opens `path` read-only without ever waiting: a FIFO without writer, a
// device, a socket or a folder is refused (also when reached through a link),
// only a regular file is opened. The descriptor, or -1 with errno set (ENODEV
// for a file that is not regular). Every demo, definition and language file is
// opened through this.
int OpenRegularFile(const std::string& path);

// The bytes of the file at `path`; std::nullopt when it cannot be opened.
std::optional<std::string> ReadWholeFile(const std::string& path);

// True when `path` names an existing regular file that this process may read.
bool IsReadableFile(const std::string& path);

// True when both paths name one existing file (same device and inode),
// whatever names, links or relative paths lead to it.
bool IsSameFile(const std::string& first, const std::string& second);

// The folder of the running executable (symbolic links resolved, no trailing
// separator). `argv0` is the fallback when the system cannot tell.
std::string ProgramFolder(const char* argv0);

} // namespace fenlark

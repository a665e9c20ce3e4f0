#pragma once
// File helpers shared by every layer, and the one place that knows how the
// operating system opens, measures and reads files: the one open of a file
// the tool reads, reads at an offset, whole-file reading, the readable-file
// check, the size step's open, same-file test and the program's own folder
// (change stamps: FileStamp.h). Paths are UTF-8 on every system.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace fenlark {

// A UTF-8 path as the C++ library's path type, and back. Constructing a path
// from a std::string directly reads it in the ANSI code page on Windows,
// which breaks every name outside it; these keep UTF-8 on every system.
std::filesystem::path PathFromUtf8(const std::string& path);
std::string Utf8FromPath(const std::filesystem::path& path);

// Opens `path` read-only without ever waiting: a FIFO without writer, a
// device, a socket or a folder is refused (also when reached through a link),
// only a regular file is opened. The descriptor, or -1 with errno set (ENODEV
// for a file that is not regular). Every demo, definition and language file is
// opened through this; read it with ReadFileAt, close it with CloseFile.
int OpenRegularFile(const std::string& path);

// The length of the open file, std::nullopt when the system cannot tell.
std::optional<std::uint64_t> OpenFileLength(int descriptor);

// Copies up to into.size() bytes from `offset` of the open file (fewer only at
// its end), without moving a shared position. std::nullopt on a read error.
std::optional<std::size_t> ReadFileAt(int descriptor, std::uint64_t offset,
                                      std::span<std::uint8_t> into);

void CloseFile(int descriptor);

// A second descriptor of the same open file (sharing its position), closed
// on exec; negative when none can be made.
int DuplicateDescriptor(int descriptor);

// A binary read stream over an open file, which then belongs to the stream
// (fclose closes both). nullptr when none can be made; the descriptor then
// stays open.
std::FILE* StreamOverDescriptor(int descriptor);

// The size step's open: where `path` names nothing in an existing folder an
// empty file is created; then the length of the regular file there.
// std::nullopt when no regular file can be opened (a FIFO, device, socket or
// folder is never waited on). The count is 64-bit.
std::optional<std::uint64_t> CreateOrMeasureFile(const std::string& path);

// The bytes of the file at `path`; std::nullopt when it cannot be opened.
std::optional<std::string> ReadWholeFile(const std::string& path);

// True when `path` names an existing regular file that this process may read.
bool IsReadableFile(const std::string& path);

// True when both paths name one existing file (same device and file number),
// whatever names, links or relative paths lead to it.
bool IsSameFile(const std::string& first, const std::string& second);

// A read-only stream over `size` bytes at `data`, which must outlive it, for
// readers that take a FILE*. nullptr when it cannot be made.
std::FILE* OpenMemoryStream(const std::uint8_t* data, std::size_t size);

// An empty read-write binary stream that disappears when closed, nullptr when
// none can be made.
std::FILE* OpenScratchStream();

// The program's arguments as UTF-8. On Windows `argv` holds the ANSI code
// page's version of the command line, which loses every character outside
// it; when `argv` is the process's own, the wide command line is used
// instead. Elsewhere the arguments are returned as they are.
std::vector<std::string> ProgramArguments(int argc, const char* const* argv);

// The folder of the running executable (symbolic links resolved, no trailing
// separator). `argv0` is the fallback when the system cannot tell.
std::string ProgramFolder(const char* argv0);

} // namespace fenlark

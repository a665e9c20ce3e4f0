#pragma once
// The demo log: a text file listing every configstring and server command of
// a Quake III protocol demo, message by message. Bytes are written as they
// are, one per character; every line ends with CR LF.

#include "q3reader/QuakeDemo.h"

#include <string>

namespace fenlark {

// A log file that cannot be written; what() is the reason, for the user.
struct LogWriteError : ReadingError {
    using ReadingError::ReadingError;
};

// Replaces the log file at `logPath` with the seven header lines that name
// `demoPath`. Only a regular file or a link itself is deleted; a folder,
// device, FIFO or socket at `logPath` is left alone and LogWriteError is
// thrown. When the old file cannot be deleted but can be written, its content
// is replaced. Any other header line that cannot be written is passed over.
void WriteLogHeader(const std::string& logPath, const std::string& demoPath);

// Appends `text` and CR LF to the log file, opening and closing it for the
// line. Throws LogWriteError when the line cannot be written.
void AppendLogLine(const std::string& logPath, const std::string& text);

// The first header line: "Demo Information - Demo Log - " and the current
// date and time in the user's short formats.
std::string LogTitleLine();

inline constexpr const char* LogCreditLine =
    "Fenlark v1.00 - demo information for multiplayer first-person games, by Kalvenor";

} // namespace fenlark

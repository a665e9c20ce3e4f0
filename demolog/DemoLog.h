#pragma once
// The demo log: a text file listing every configstring and server command of
// a Quake III protocol demo, message by message. Bytes are written as they
// are, one per character; every line ends with CR LF.

#include <string>

namespace fenlark {

// Deletes the log file at `logPath`, then writes the seven header lines that
// name `demoPath`. A header line that cannot be written is passed over.
void WriteLogHeader(const std::string& logPath, const std::string& demoPath);

// Appends `text` and CR LF to the log file, opening and closing it for the
// line. Throws ReadingError when the line cannot be written.
void AppendLogLine(const std::string& logPath, const std::string& text);

// The first header line: "Demo Information - Demo Log - " and the current
// date and time in the user's locale.
std::string LogTitleLine();

inline constexpr const char* LogCreditLine =
    "Fenlark v1.00 - demo information for multiplayer first-person games, by Kalvenor";

} // namespace fenlark

#pragma once
// The demo log: a text file listing every configstring and server command of
// a Quake III protocol demo, message by message. Bytes are written as they
// are, one per character; every line ends with CR LF.

#include <string>

namespace fenlark {

class Session;

// The Create Demo log button: asks for a file name, then reads the current
// demo in log mode into it. Any failure ends the command without a message.
void CreateDemoLogCommand(Session& session);

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

#pragma once
// Walks a Quake III protocol demo through the demo reader library and
// interprets the server operations of its messages:
//  - information mode reads the first message (the gamestate) and turns its
//    configstrings into server values and players;
//  - log mode reads every message and writes one log line per configstring
//    and server command.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace fenlark {

class Session;

enum : std::int16_t { InformationMode = 1, LogMode = 2 };

// The reader's module state, kept for the whole run.
struct QuakeReaderState {
    std::int32_t DemoHandle = 0;
    std::int32_t ReaderState =
        0; // last ReadNextMessage status; 2 = stopped on an illegal operation
    std::int16_t ReaderMode = 0;
    std::string LogPath;
};

// An error that ends a whole reading (a player text that cannot be taken
// apart, a log line that cannot be written). What was shown or written stays.
struct ReadingError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Opens `path` and reads it in `mode`; `logPath` names the log in log mode.
// Throws ReadingError (and ProgramEnded) to its caller.
void ReadDemo(Session& session, const std::string& path, std::int16_t mode,
              const std::string& logPath);

// The longest string a message hands out; longer ones are cut there.
inline constexpr std::size_t MaxDemoStringLength = 8191;

} // namespace fenlark

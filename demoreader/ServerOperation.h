#pragma once
// The operation bytes of a server message and the values the typed reads
// give back when a message runs out.

#include <cstddef>
#include <cstdint>

namespace fenlark::demoreader {

// One operation of a server message, as its byte on the wire.
enum class ServerOperation : std::int32_t {
    Bad = 0,
    Nop = 1,
    Gamestate = 2,
    Configstring = 3, // inside a gamestate only
    Baseline = 4,     // inside a gamestate only
    ServerCommand = 5,
    Download = 6,
    Snapshot = 7,
    EndOfOperations = 8, // ends a message, and the list inside a gamestate
};

// What ReadByte, ReadShort and ReadLong give once the message is exhausted.
inline constexpr std::int32_t NoMoreData = -1;

// Strings handed out by the walk are cut after this many bytes; the bytes
// after the cut are read as the operations that follow, as the engine's own
// big-string reader would misread them.
inline constexpr std::size_t MaxStringLength = 8191;

} // namespace fenlark::demoreader

#pragma once
// The fixed 1072-byte header of a Source demo: "HL2DEMO\0", the demo and
// network protocols (int32 each), four 260-byte zero-padded strings (server,
// recording client, map, game directory), then the playback time (float
// seconds), ticks, frames and the length of the sign-on data (int32 each).

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace fenlark::readers::source {

struct SourceDemoHeader {
    std::int32_t demoProtocol = 0;
    std::int32_t networkProtocol = 0;
    std::string serverName; // display text
    std::string clientName;
    std::string mapName;
    std::string gameDirectory;
    float playbackTime = 0;
    std::int32_t ticks = 0;
    std::int32_t frames = 0;
    std::int32_t signOnLength = 0;
};

inline constexpr std::size_t SourceHeaderSize = 1072;

// True when `bytes` start with the Source demo magic.
bool HasSourceMagic(std::span<const std::uint8_t> bytes);

// The header held in the first SourceHeaderSize bytes; std::nullopt when
// there are fewer or the magic is wrong.
std::optional<SourceDemoHeader> ParseSourceHeader(std::span<const std::uint8_t> bytes);

} // namespace fenlark::readers::source

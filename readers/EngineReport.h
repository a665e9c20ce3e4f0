#pragma once
// What a built-in reader of another engine's demos tells: the values the
// main window shows, the players with their teams and details, and the match
// facts. The loading flow merges it into the window model after the
// definition-driven extraction (players into the three lists, values into
// fields left empty, further rows into the other-information list).
//
// Text is UTF-8: each reader converts its engine's own character set once.

#include "core/ByteSource.h"
#include "core/MatchFacts.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fenlark::readers {

// How far a reader reads: only what the window shows (stop as soon as the
// players and values are known), or the whole file for the match facts.
enum class ReadDepth : std::uint8_t { Window, WholeFile };

struct ReportedPlayer {
    std::string name;
    // The engine's own team name ("red", "blue", "BLU", "1", ...); "" in a
    // game without teams.
    std::string team;
    bool spectator = false;
    // Label and value pairs for the player's details box, in order.
    std::vector<std::pair<std::string, std::string>> details;
};

struct EngineReport {
    std::optional<std::string> protocol;
    std::optional<std::string> gameVersion;
    std::optional<std::string> serverName;
    std::optional<std::string> map;
    std::optional<std::string> mod;
    // Further name and value rows (server settings, demo header values).
    std::vector<std::pair<std::string, std::string>> otherInfo;
    std::vector<ReportedPlayer> players;
    // The engine's teams in the order it numbers them, when the game has teams
    // ("" entries never appear); decides which team goes to the Blue list.
    std::vector<std::string> teams;
    // Complete for ReadDepth::WholeFile; for ReadDepth::Window only what was
    // already read. `match.ended` says how and where the reading stopped.
    MatchFacts match;
};

// A reader never throws and never reads more than the source holds; a damaged
// or unknown file gives what was read before the damage and the reason in
// report.match.ended.
using EngineReaderFunction = EngineReport (*)(ByteSource& source, ReadDepth depth);

} // namespace fenlark::readers

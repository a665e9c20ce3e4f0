#pragma once
// What happened in one recorded match, for any engine: who recorded it, how
// long it ran, who played, the scores, what was said and who fragged whom.
// Every engine's reader fills what its demo holds; a fact the demo does not
// hold stays empty (std::nullopt), never guessed.
//
// Text is UTF-8, colour codes removed. Times are milliseconds from the first
// snapshot (or frame) of the demo.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fenlark {

struct MatchRecorder {
    std::optional<std::int32_t> clientNumber;
    std::string name;
};

struct MatchGameType {
    std::optional<std::int32_t> number; // the engine's own game-type number, if it has one
    std::string name;                   // "" where the mod's names are unknown
};

// One player over the whole demo. `team` is the engine's own team name, in
// lower case for the Quake III family ("free", "red", "blue", "spectator").
struct MatchPlayer {
    std::optional<std::int32_t> clientNumber;
    std::string name;
    std::string team;
    std::optional<std::int32_t> score;
    std::int64_t joinedMs = 0;          // 0 for a player present from the start
    std::optional<std::int64_t> leftMs; // std::nullopt while still present at the end
};

// A join, leave, rename or team change, as it happened.
struct MatchPlayerEvent {
    enum class Kind : std::uint8_t { Join, Leave, Rename, TeamChange };
    std::int64_t timeMs = 0;
    Kind kind = Kind::Join;
    std::optional<std::int32_t> clientNumber;
    std::string name;  // the name after the event
    std::string value; // the old name of a rename, the new team of a team change
};

struct MatchTeamScores {
    std::int32_t red = 0;
    std::int32_t blue = 0;
};

struct MatchChatLine {
    std::int64_t timeMs = 0;
    bool team = false; // team chat
    std::string sender;
    std::string text;
    std::optional<std::int32_t> senderClientNumber; // when the line names its sender's slot
};

struct MatchFrag {
    std::int64_t timeMs = 0;
    std::string killer; // "" for the world (falling, lava, ...)
    std::string victim;
    std::string means; // named where the game's table is known, else its number
    std::optional<std::int32_t> killerClientNumber; // std::nullopt for the world
    std::optional<std::int32_t> victimClientNumber;
    std::optional<std::int32_t> meansNumber; // the engine's own number of `means`
};

// A capture, flag return, round win or any other scoring event.
struct MatchScoringEvent {
    std::int64_t timeMs = 0;
    std::string kind; // "capture", "flag return", ...
    std::string player;
    std::string team;
};

// How the reading ended.
struct MatchEnd {
    // "end marker", "end of file", "cut inside a record", "illegal data",
    // "read error", "cancelled", or an engine reader's own reason.
    std::string reason;
    std::uint64_t messagesRead = 0;
    std::optional<std::uint64_t> byteOffset; // where the reading stopped, when known
    std::string detail;                      // e.g. the illegal operation byte
};

struct MatchFacts {
    std::optional<std::int64_t> durationMs;
    std::optional<std::int32_t> firstServerTime;
    std::optional<std::int32_t> lastServerTime;
    std::optional<MatchRecorder> recorder;
    std::optional<MatchGameType> gameType;
    std::vector<MatchPlayer> players;
    std::vector<MatchPlayerEvent> playerEvents;
    std::optional<MatchTeamScores> teamScores;
    std::optional<std::string> winner; // a team ("red", "blue") or a player's name
    std::vector<MatchChatLine> chat;
    std::vector<MatchFrag> frags;
    std::vector<MatchScoringEvent> scoringEvents;
    MatchEnd ended;
};

} // namespace fenlark

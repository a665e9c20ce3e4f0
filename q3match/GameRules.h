#pragma once
// What the numbers in a demo mean for the game that wrote it: where the
// players' configstrings start, which entity type and event numbers carry
// obituaries and team sounds, and the names of game types and means of death.
//
// The game is told by the protocol (Quake Live from 73 on) and by the
// serverinfo keys "gamename" and "gameversion" of the Quake III family.
// docs/facts/quake3-match.md lists what was verified on which demos.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fenlark::q3match {

enum class Game : std::uint8_t {
    Quake3,      // baseq3 and unknown mods of Quake III
    MissionPack, // Team Arena ("missionpack")
    OpenArena,   // "baseoa"
    Osp,
    Cpma,
    Defrag,
    QuakeLive,
};

enum class Team : std::uint8_t { Free = 0, Red = 1, Blue = 2, Spectator = 3 };

struct GameRules {
    Game game = Game::Quake3;
    int playerConfigstrings = 544; // the first player's configstring
    int entityEvents = 13;         // entity type of the first free-standing event
    int obituaryEvent = 60;
    std::optional<int> globalTeamSoundEvent; // known only where verified
    bool utf8Text = false;                   // names and chat are UTF-8
    bool chatClientPrefix = false;           // chat lines start with "NN " (client number)
};

// The rules for a demo of `protocol` (45 stands for ".dm3") whose serverinfo
// is `serverInfo`.
GameRules RulesFor(int protocol, std::string_view serverInfo);

// The game type's name, "" where the game's numbering is not known.
std::string GameTypeName(Game game, int number);
// True when the game type has red and blue teams with team scores; nullopt
// where the numbering is not known.
std::optional<bool> IsTeamGameType(Game game, int number);

// The means of death's name, "" where the game's table does not have it.
std::string MeansOfDeathName(Game game, int number);

// "free", "red", "blue", "spectator", or the number as text.
std::string TeamName(int team);

// Values of the team sound events of the Quake III family.
inline constexpr int RedCaptureSound = 0;  // the red team captured
inline constexpr int BlueCaptureSound = 1; // the blue team captured

} // namespace fenlark::q3match

#pragma once
// The scoreboard the Warsow server sends as the command "scb": a team tab
// ("&t team score ping") followed by that team's player rows ("&p" and one
// value per column of the scoreboard layout), and the spectators ("&s") and
// players waiting to play ("&w"), each as client number and ping. The layout
// (configstring "%n 112 %s 52 %i 48 ...") gives each column's type and width,
// and the titles configstring its heading.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenlark::readers::warsow {

// Team numbers of the game.
inline constexpr int TeamSpectator = 0;
inline constexpr int TeamPlayers = 1; // everyone, in games without teams
inline constexpr int TeamAlpha = 2;
inline constexpr int TeamBeta = 3;

struct ScoreboardRow {
    int client = -1;
    int team = TeamPlayers;
    bool spectator = false;
    std::optional<int> score;                                 // the "Score" column
    std::vector<std::pair<std::string, std::string>> columns; // heading, shown value (UTF-8)
};

struct Scoreboard {
    std::vector<ScoreboardRow> rows;
    std::map<int, int> teamScores; // team number -> score
};

// Reads a scoreboard string with the given layout and titles. Malformed
// parts are left out; the rest is kept.
Scoreboard ParseScoreboard(std::string_view text, std::string_view layout, std::string_view titles);

// The game type an older server names in its scoreboard's first word
// ("&races" for race, "&duels" for duel), or "" when there is none.
std::string GameTypeOfOldScoreboard(std::string_view text);

} // namespace fenlark::readers::warsow

#pragma once
// Per-player scores from the scoreboard commands a server sends ("scores"
// and the variants of Quake Live and CPMA). Each layout is recognised by its
// command name and by its exact number of arguments, so that an unknown
// variant is left alone rather than misread.

#include "q3match/CommandTokens.h"
#include "q3match/GameRules.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace fenlark::q3match {

struct ClientScore {
    std::int32_t clientNumber = 0;
    std::int32_t score = 0;
};

struct ScoreBoard {
    std::vector<ClientScore> scores;
    // Team scores where the command carries them.
    std::optional<std::int32_t> red;
    std::optional<std::int32_t> blue;
};

// The scores of `tokens` (a whole command) for a demo of `protocol`, or
// std::nullopt when the command is no scoreboard of a known layout.
std::optional<ScoreBoard> ReadScoreBoard(const CommandTokens& tokens, int protocol, Game game);

} // namespace fenlark::q3match

#pragma once
// Who leads a free-for-all: the player with the highest score, if exactly
// one has it. Each engine decides which players count (still connected, not
// spectating, ...) and whether a counted player without a score makes the
// outcome unknown.

#include "core/MatchFacts.h"

#include <functional>
#include <vector>

namespace fenlark {

struct TopScore {
    const MatchPlayer* leader = nullptr; // a player with the highest score
    bool tie = false;                    // another counted player has that score too
    int scored = 0;                      // counted players with a score
    int unscored = 0;                    // counted players without one
};

TopScore FindTopScore(const std::vector<MatchPlayer>& players,
                      const std::function<bool(const MatchPlayer&)>& counts);

} // namespace fenlark

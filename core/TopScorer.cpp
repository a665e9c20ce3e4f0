#include "core/TopScorer.h"

namespace fenlark {

TopScore FindTopScore(const std::vector<MatchPlayer>& players,
                      const std::function<bool(const MatchPlayer&)>& counts) {
    TopScore top;
    for (const MatchPlayer& player : players) {
        if (!counts(player)) {
            continue;
        }
        if (!player.score) {
            ++top.unscored;
            continue;
        }
        ++top.scored;
        if (top.leader == nullptr || *player.score > *top.leader->score) {
            top.leader = &player;
            top.tie = false;
        } else if (*player.score == *top.leader->score) {
            top.tie = true;
        }
    }
    return top;
}

} // namespace fenlark

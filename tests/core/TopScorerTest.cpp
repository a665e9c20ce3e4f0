// The free-for-all leader: the highest score wins only when no other counted
// player shares it, and the counts tell the engine how sure it can be.

#include "core/TopScorer.h"

#include <gtest/gtest.h>

namespace fenlark {
namespace {

MatchPlayer Player(std::string name, std::optional<std::int32_t> score, std::string team = "free") {
    MatchPlayer player;
    player.name = std::move(name);
    player.score = score;
    player.team = std::move(team);
    return player;
}

const auto Everyone = [](const MatchPlayer&) { return true; };

TEST(TopScorerTest, TheSoleHighestScoreLeads) {
    const std::vector<MatchPlayer> players = {Player("a", 3), Player("b", 11), Player("c", -2)};
    const TopScore top = FindTopScore(players, Everyone);
    ASSERT_NE(top.leader, nullptr);
    EXPECT_EQ(top.leader->name, "b");
    EXPECT_FALSE(top.tie);
    EXPECT_EQ(top.scored, 3);
}

TEST(TopScorerTest, ATieAtTheTopIsATieButALowerOneIsNot) {
    const std::vector<MatchPlayer> tied = {Player("a", 5), Player("b", 5), Player("c", 1)};
    EXPECT_TRUE(FindTopScore(tied, Everyone).tie);
    // The tie of the first two is broken by a higher third score.
    const std::vector<MatchPlayer> broken = {Player("a", 5), Player("b", 5), Player("c", 9)};
    const TopScore top = FindTopScore(broken, Everyone);
    EXPECT_FALSE(top.tie);
    ASSERT_NE(top.leader, nullptr);
    EXPECT_EQ(top.leader->name, "c");
}

TEST(TopScorerTest, OnlyCountedPlayersTakePart) {
    const std::vector<MatchPlayer> players = {Player("watcher", 40, "spectator"), Player("a", 2),
                                              Player("b", std::nullopt)};
    const TopScore top =
        FindTopScore(players, [](const MatchPlayer& player) { return player.team != "spectator"; });
    EXPECT_EQ(top.leader->name, "a");
    EXPECT_EQ(top.scored, 1);
    EXPECT_EQ(top.unscored, 1);
    EXPECT_EQ(FindTopScore({}, Everyone).leader, nullptr);
}

} // namespace
} // namespace fenlark

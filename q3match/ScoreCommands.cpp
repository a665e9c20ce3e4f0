#include "q3match/ScoreCommands.h"

#include "q3match/InfoString.h"

#include <initializer_list>
#include <string_view>

namespace fenlark::q3match {
namespace {

// Where a scoreboard command keeps its numbers, by argument index (the
// command's name is argument 0).
struct Layout {
    std::size_t countAt;   // the number of players
    std::size_t first;     // the first player's client number
    std::size_t perPlayer; // arguments per player
    std::size_t scoreAt;   // the score's place after the client number
    std::size_t redAt = 0; // the team scores; 0 where the command has none
    std::size_t blueAt = 0;
};

std::int32_t Number(const CommandTokens& tokens, std::size_t index) {
    return ParseNumber(tokens[index]).value_or(0);
}

std::optional<ScoreBoard> ReadLayout(const CommandTokens& tokens, const Layout& layout) {
    const std::optional<int> count = ParseNumber(tokens[layout.countAt]);
    if (!count || *count < 0 || *count > 64 ||
        tokens.count() != layout.first + static_cast<std::size_t>(*count) * layout.perPlayer) {
        return std::nullopt;
    }
    ScoreBoard board;
    if (layout.redAt != 0) {
        board.red = Number(tokens, layout.redAt);
        board.blue = Number(tokens, layout.blueAt);
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(*count); ++i) {
        const std::size_t at = layout.first + i * layout.perPlayer;
        const std::int32_t client = Number(tokens, at);
        if (client >= 0 && client < 64) {
            board.scores.push_back({client, Number(tokens, at + 1 + layout.scoreAt)});
        }
    }
    return board;
}

// The first of `layouts` whose argument count fits.
std::optional<ScoreBoard> ReadAny(const CommandTokens& tokens,
                                  std::initializer_list<Layout> layouts) {
    for (const Layout& layout : layouts) {
        if (auto board = ReadLayout(tokens, layout)) {
            return board;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<ScoreBoard> ReadScoreBoard(const CommandTokens& tokens, int protocol, Game game) {
    const std::string_view name = tokens[0];
    if (name == "scores") {
        // "scores COUNT RED BLUE", then one run per player: client number,
        // score, ping, time, ...
        if (protocol == 45) {
            return ReadLayout(tokens, {1, 4, 6, 0, 2, 3});
        }
        if (game == Game::QuakeLive) {
            return ReadLayout(tokens, {1, 4, 18, 0, 2, 3});
        }
        if (game == Game::OpenArena) {
            // One more header value (the round time), one more per player.
            return ReadLayout(tokens, {1, 5, 15, 0, 2, 3});
        }
        if (game == Game::Defrag) {
            return std::nullopt; // a layout of its own
        }
        return ReadLayout(tokens, {1, 4, 14, 0, 2, 3});
    }
    if (game == Game::QuakeLive && name == "scores_duel") {
        // Protocol 73 has 85 values per player, later ones 90.
        return ReadAny(tokens, {{1, 2, 86, 0}, {1, 2, 91, 0}});
    }
    if (game == Game::QuakeLive && name == "scores_tdm" && protocol == 90) {
        // 28 team statistics, the player count, the team scores, then per
        // player: client number, team, subscriber flag, score, ...
        return ReadLayout(tokens, {29, 32, 16, 2, 30, 31});
    }
    if (game == Game::Cpma && name == "xscores") {
        return ReadLayout(tokens, {1, 2, 7, 0});
    }
    return std::nullopt;
}

} // namespace fenlark::q3match

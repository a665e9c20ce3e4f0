#pragma once
// The end-of-match statistics KTX servers embed in their MVDs (a JSON text
// in the demo's hidden data): per player frags, kills, deaths, damage and
// weapon accuracy, and the match's date, mode and duration.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenlark::readers::quakeworld {

using DetailRows = std::vector<std::pair<std::string, std::string>>;

struct KtxPlayerStats {
    std::string name; // raw Quake bytes, to find the player by
    std::optional<int> frags;
    std::optional<int> deaths;
    DetailRows details; // labelled UTF-8 values for the player's details
};

struct KtxMatchStats {
    DetailRows match; // date, mode, duration
    std::vector<KtxPlayerStats> players;
};

// std::nullopt when the text is not the statistics JSON.
std::optional<KtxMatchStats> ReadKtxStats(std::string_view json);

} // namespace fenlark::readers::quakeworld

#pragma once
// The team values that decide a player's list, as configstrings ("t\...")
// and definition probes give them.

#include <string_view>

namespace fenlark::teams {

inline constexpr std::string_view Free = "0"; // no team: a duel or a free-for-all
inline constexpr std::string_view Blue = "1";
inline constexpr std::string_view Red = "2";
inline constexpr std::string_view Spectator = "3";

} // namespace fenlark::teams

#pragma once
// Reading "who killed whom" out of the console lines the Quake family's game
// code prints when a player dies ("A rides B's rocket", "A cratered", ...).
//
// The lines carry only names, and names may hold spaces or look like parts
// of a message, so a line is only taken as an obituary when it reads as one
// in exactly one way with the names of the players present. Lines that fit
// no known message (other mods, monsters) give nothing.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace fenlark::readers {

struct QuakeObituary {
    // Raw names. The killer is "" when the line names none (the world, or an
    // unnamed teammate), the victim "" when a team kill names only its
    // killer. A suicide names the victim as its own killer.
    std::string killer;
    std::string victim;
    std::string means; // "rocket launcher", "fall", "team kill", ...
};

// `line` without its line break; `names` the raw names of the players.
std::optional<QuakeObituary> MatchQuakeObituary(std::string_view line,
                                                std::span<const std::string> names);

} // namespace fenlark::readers

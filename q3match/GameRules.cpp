#include "q3match/GameRules.h"

#include "q3match/InfoString.h"

#include <array>

namespace fenlark::q3match {
namespace {

bool ContainsNoCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size()) {
        return false;
    }
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        std::size_t j = 0;
        while (j < part.size() && lower(text[i + j]) == lower(part[j])) {
            ++j;
        }
        if (j == part.size()) {
            return true;
        }
    }
    return false;
}

Game GameOf(int protocol, std::string_view serverInfo) {
    if (protocol >= 73) {
        return Game::QuakeLive;
    }
    const std::string_view name = InfoValue(serverInfo, "gamename").value_or("");
    const std::string_view version = InfoValue(serverInfo, "gameversion").value_or("");
    if (name == "cpma") {
        return Game::Cpma;
    }
    if (ContainsNoCase(name, "osp") || ContainsNoCase(version, "osp")) {
        return Game::Osp;
    }
    if (name == "defrag") {
        return Game::Defrag;
    }
    if (name == "baseoa") {
        return Game::OpenArena;
    }
    if (name == "missionpack") {
        return Game::MissionPack;
    }
    return Game::Quake3;
}

template <std::size_t N> std::string Pick(const std::array<const char*, N>& names, int number) {
    return number >= 0 && static_cast<std::size_t>(number) < N
               ? names[static_cast<std::size_t>(number)]
               : "";
}

constexpr std::array<const char*, 5> Quake3GameTypes = {
    "free for all", "tournament", "single player", "team deathmatch", "capture the flag"};
constexpr std::array<const char*, 8> MissionPackGameTypes = {
    "free for all",     "tournament",       "single player", "team deathmatch",
    "capture the flag", "one flag capture", "overload",      "harvester"};
constexpr std::array<const char*, 14> OpenArenaGameTypes = {
    "free for all",     "tournament",       "single player",     "team deathmatch",
    "capture the flag", "one flag capture", "overload",          "harvester",
    "elimination",      "CTF elimination",  "last man standing", "double domination",
    "domination",       "possession"};
// CPMA numbers its modes from -1 (hoonymode); index 0 here is -1.
constexpr std::array<const char*, 11> CpmaGameTypes = {
    "hoonymode",          "free for all", "duel",       "single player",  "team deathmatch",
    "capture the flag",   "clan arena",   "freeze tag", "capture strike", "not team fortress",
    "2v2 team deathmatch"};
constexpr std::array<const char*, 13> QuakeLiveGameTypes = {
    "free for all",     "duel",       "race",
    "team deathmatch",  "clan arena", "capture the flag",
    "one flag capture", "overload",   "harvester",
    "freeze tag",       "domination", "attack and defend",
    "red rover"};

constexpr std::array<const char*, 23> Quake3Means = {
    "unknown",  "shotgun",       "gauntlet", "machinegun",    "grenade",     "grenade splash",
    "rocket",   "rocket splash", "plasma",   "plasma splash", "railgun",     "lightning",
    "BFG",      "BFG splash",    "water",    "slime",         "lava",        "crush",
    "telefrag", "falling",       "suicide",  "target laser",  "trigger hurt"};
constexpr std::array<const char*, 6> MissionPackMeans = {"nailgun",  "chaingun", "proximity mine",
                                                         "kamikaze", "juiced",   "grapple"};
// Quake Live after the mission pack's means: index 0 here is 29.
constexpr std::array<const char*, 4> QuakeLiveMeans = {"team switch", "thaw", "",
                                                       "heavy machinegun"};

} // namespace

GameRules RulesFor(int protocol, std::string_view serverInfo) {
    GameRules rules;
    rules.game = GameOf(protocol, serverInfo);
    if (protocol == 45) {
        // Quake III 1.17 has no team entity type and two fewer events
        // before the obituary.
        rules.entityEvents = 12;
        rules.obituaryEvent = 58;
    } else if (rules.game == Game::QuakeLive) {
        rules.playerConfigstrings = 529;
        rules.obituaryEvent = 58;
        rules.utf8Text = true;
        rules.chatClientPrefix = true;
    } else {
        rules.globalTeamSoundEvent = 47;
    }
    return rules;
}

std::string GameTypeName(Game game, int number) {
    switch (game) {
    case Game::Quake3:
    case Game::Osp:
        return Pick(Quake3GameTypes, number);
    case Game::MissionPack:
        return Pick(MissionPackGameTypes, number);
    case Game::OpenArena:
        return Pick(OpenArenaGameTypes, number);
    case Game::Cpma:
        return Pick(CpmaGameTypes, number + 1);
    case Game::QuakeLive:
        return Pick(QuakeLiveGameTypes, number);
    case Game::Defrag:
        return "";
    }
    return "";
}

std::optional<bool> IsTeamGameType(Game game, int number) {
    if (GameTypeName(game, number).empty()) {
        return std::nullopt;
    }
    switch (game) {
    case Game::Cpma:
    case Game::QuakeLive:
        return number >= 3;
    case Game::OpenArena:
        return number >= 3 && number != 10; // last man standing is every player for himself
    default:
        return number >= 3;
    }
}

std::string MeansOfDeathName(Game game, int number) {
    if (number >= 0 && number < static_cast<int>(Quake3Means.size())) {
        return Quake3Means[static_cast<std::size_t>(number)];
    }
    const int extra = number - static_cast<int>(Quake3Means.size());
    switch (game) {
    case Game::MissionPack:
    case Game::OpenArena:
        return Pick(MissionPackMeans, extra);
    case Game::QuakeLive:
        return extra < static_cast<int>(MissionPackMeans.size())
                   ? Pick(MissionPackMeans, extra)
                   : Pick(QuakeLiveMeans, extra - static_cast<int>(MissionPackMeans.size()));
    case Game::Quake3:
    case Game::Osp:
    case Game::Cpma:
    case Game::Defrag:
        return extra == 0 ? "grapple" : "";
    }
    return "";
}

std::string TeamName(int team) {
    switch (team) {
    case 0:
        return "free";
    case 1:
        return "red";
    case 2:
        return "blue";
    case 3:
        return "spectator";
    default:
        return std::to_string(team);
    }
}

} // namespace fenlark::q3match

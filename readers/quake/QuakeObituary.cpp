#include "readers/quake/QuakeObituary.h"

#include <array>
#include <vector>

namespace fenlark::readers {

namespace {

// "<victim><middle><killer><end>"
struct VictimFirst {
    std::string_view middle;
    std::string_view end;
    std::string_view means;
};

// "<killer><middle><victim><end>"
struct KillerFirst {
    std::string_view middle;
    std::string_view end;
    std::string_view means;
};

// "<player><text>": one name only.
struct OneName {
    std::string_view text;
    std::string_view means;
    enum class Role : std::uint8_t { Suicide, World, TeamKiller, TeamVictim } role;
};

constexpr std::array VictimFirstLines = {
    VictimFirst{" was telefragged by ", "'s Satan's power", "telefrag"},
    VictimFirst{" was telefragged by ", "", "telefrag"},
    VictimFirst{" was literally stomped into particles by ", "!", "stomp"},
    VictimFirst{" softens ", "'s fall", "stomp"},
    VictimFirst{" tried to catch ", "", "stomp"},
    VictimFirst{" was jumped by ", "", "stomp"},
    VictimFirst{" was crushed by ", "", "stomp"},
    VictimFirst{" was body pierced by ", "", "nailgun"},
    VictimFirst{" was nailed by ", "", "nailgun"},
    VictimFirst{" was punctured by ", "", "super nailgun"},
    VictimFirst{" was perforated by ", "", "super nailgun"},
    VictimFirst{" was ventilated by ", "", "super nailgun"},
    VictimFirst{" was straw-cuttered by ", "", "super nailgun"},
    VictimFirst{" eats ", "'s pineapple", "grenade launcher"},
    VictimFirst{" was gibbed by ", "'s grenade", "grenade launcher"},
    VictimFirst{" was gibbed by ", "'s rocket", "rocket launcher"},
    VictimFirst{" rides ", "'s rocket", "rocket launcher"},
    VictimFirst{" was brutalized by ", "'s quad rocket", "rocket launcher"},
    VictimFirst{" was smeared by ", "'s quad rocket", "rocket launcher"},
    VictimFirst{" was axed to pieces by ", "!", "axe"},
    VictimFirst{" was ax-murdered by ", "", "axe"},
    VictimFirst{" was hooked by ", "", "grappling hook"},
    VictimFirst{" chewed on ", "'s boomstick", "shotgun"},
    VictimFirst{" was lead poisoned by ", "", "shotgun"},
    VictimFirst{" was instagibbed by ", "", "instagib"},
    VictimFirst{" ate 8 loads of ", "'s buckshot", "super shotgun"},
    VictimFirst{" ate 2 loads of ", "'s buckshot", "super shotgun"},
    VictimFirst{" gets a natural disaster from ", "", "lightning gun"},
    VictimFirst{" accepts ", "'s shaft", "lightning gun"},
    VictimFirst{" accepts ", "'s discharge", "lightning discharge"},
    VictimFirst{" drains ", "'s batteries", "lightning discharge"},
    VictimFirst{" killed by ", " ?", "unknown"},
};

constexpr std::array KillerFirstLines = {
    KillerFirst{" squishes ", "", "squish"},
    KillerFirst{" stomps ", "", "stomp"},
    KillerFirst{" rips ", " a new one", "rocket launcher"},
};

using Role = OneName::Role;

// Lines with "{his}" or "{himself}" come in the pronouns the game code picks
// from the player's gender.
constexpr std::array OneNameLines = {
    OneName{" tries to put the pin back in", "grenade launcher", Role::Suicide},
    OneName{" discovers blast radius", "rocket launcher", Role::Suicide},
    OneName{" becomes bored with life", "rocket launcher", Role::Suicide},
    OneName{" somehow becomes bored with life", "suicide", Role::Suicide},
    OneName{" electrocutes {himself}", "lightning discharge", Role::Suicide},
    OneName{" electrocutes {himself}.", "lightning discharge", Role::Suicide},
    OneName{" discharges into the slime", "lightning discharge", Role::Suicide},
    OneName{" discharges into the lava", "lightning discharge", Role::Suicide},
    OneName{" discharges into the water", "lightning discharge", Role::Suicide},
    OneName{" discharges into the water.", "lightning discharge", Role::Suicide},
    OneName{" heats up the water", "lightning discharge", Role::Suicide},
    OneName{" suicides", "suicide", Role::Suicide},
    OneName{" was squished", "squish", Role::World},
    OneName{" blew up", "explosion", Role::World},
    OneName{" cratered", "fall", Role::World},
    OneName{" fell to {his} death", "fall", Role::World},
    OneName{" was spiked", "trap", Role::World},
    OneName{" was zapped", "laser", Role::World},
    OneName{" ate a lavaball", "fireball", Role::World},
    OneName{" tried to leave", "level exit", Role::World},
    OneName{" sleeps with the fishes", "water", Role::World},
    OneName{" sucks it down", "water", Role::World},
    OneName{" gulped a load of slime", "slime", Role::World},
    OneName{" can't exist on slime alone", "slime", Role::World},
    OneName{" turned into hot slag", "lava", Role::World},
    OneName{" visits the Volcano God", "lava", Role::World},
    OneName{" burst into flames", "lava", Role::World},
    OneName{" died", "death", Role::World},
    OneName{" couldn't resist the shiny spawn point", "telefrag", Role::World},
    OneName{" got too close to the baby factory", "telefrag", Role::World},
    OneName{" was fragged by poor life choices", "telefrag", Role::World},
    OneName{" checks {his} glasses", "team kill", Role::TeamKiller},
    OneName{" loses another friend", "team kill", Role::TeamKiller},
    OneName{" gets a frag for the other team", "team kill", Role::TeamKiller},
    OneName{" mows down a teammate", "team kill", Role::TeamKiller},
    OneName{" squished a teammate", "team kill", Role::TeamKiller},
    OneName{" was telefragged by {his} teammate", "team kill", Role::TeamVictim},
    OneName{" was jumped by {his} teammate", "team kill", Role::TeamVictim},
    OneName{" was crushed by {his} teammate", "team kill", Role::TeamVictim},
};

constexpr std::string_view SatanPrefix = "Satan's power deflects ";
constexpr std::string_view SatanEnd = "'s telefrag";

struct PronounSet {
    std::string_view placeholder;
    std::array<std::string_view, 4> words;
};
constexpr std::array Pronouns = {
    PronounSet{"{his}", {"his", "her", "its", "their"}},
    PronounSet{"{himself}", {"himself", "herself", "itself", "themselves"}},
};

// Whether `rest` is `text` with any pronoun in its placeholder.
bool MatchesWithPronoun(std::string_view rest, std::string_view text) {
    for (const PronounSet& set : Pronouns) {
        const auto at = text.find(set.placeholder);
        if (at == std::string_view::npos) {
            continue;
        }
        const std::string_view before = text.substr(0, at);
        const std::string_view after = text.substr(at + set.placeholder.size());
        if (!rest.starts_with(before) || !rest.ends_with(after) ||
            rest.size() < before.size() + after.size()) {
            return false;
        }
        const std::string_view word =
            rest.substr(before.size(), rest.size() - before.size() - after.size());
        for (const std::string_view candidate : set.words) {
            if (word == candidate) {
                return true;
            }
        }
        return false;
    }
    return rest == text;
}

bool IsName(std::string_view text, std::span<const std::string> names) {
    for (const std::string& name : names) {
        if (!name.empty() && name == text) {
            return true;
        }
    }
    return false;
}

class Readings {
public:
    void add(std::string_view killer, std::string_view victim, std::string_view means) {
        for (const QuakeObituary& seen : found_) {
            if (seen.killer == killer && seen.victim == victim && seen.means == means) {
                return;
            }
        }
        found_.push_back({std::string(killer), std::string(victim), std::string(means)});
    }
    std::optional<QuakeObituary> single() const {
        if (found_.size() != 1) {
            return std::nullopt;
        }
        return found_.front();
    }

private:
    std::vector<QuakeObituary> found_;
};

} // namespace

std::optional<QuakeObituary> MatchQuakeObituary(std::string_view line,
                                                std::span<const std::string> names) {
    Readings readings;
    if (line.starts_with(SatanPrefix) && line.ends_with(SatanEnd) &&
        line.size() >= SatanPrefix.size() + SatanEnd.size()) {
        const std::string_view victim =
            line.substr(SatanPrefix.size(), line.size() - SatanPrefix.size() - SatanEnd.size());
        if (IsName(victim, names)) {
            readings.add("", victim, "telefrag");
        }
    }
    for (const std::string& first : names) {
        if (first.empty() || !line.starts_with(first)) {
            continue;
        }
        const std::string_view rest = line.substr(first.size());
        for (const VictimFirst& form : VictimFirstLines) {
            if (!rest.starts_with(form.middle) || !rest.ends_with(form.end) ||
                rest.size() < form.middle.size() + form.end.size()) {
                continue;
            }
            const std::string_view killer =
                rest.substr(form.middle.size(), rest.size() - form.middle.size() - form.end.size());
            if (IsName(killer, names)) {
                readings.add(killer, first, form.means);
            }
        }
        for (const KillerFirst& form : KillerFirstLines) {
            if (!rest.starts_with(form.middle) || !rest.ends_with(form.end) ||
                rest.size() < form.middle.size() + form.end.size()) {
                continue;
            }
            const std::string_view victim =
                rest.substr(form.middle.size(), rest.size() - form.middle.size() - form.end.size());
            if (IsName(victim, names)) {
                readings.add(first, victim, form.means);
            }
        }
        for (const OneName& form : OneNameLines) {
            if (!MatchesWithPronoun(rest, form.text)) {
                continue;
            }
            switch (form.role) {
            case Role::Suicide:
                readings.add(first, first, form.means);
                break;
            case Role::World:
                readings.add("", first, form.means);
                break;
            case Role::TeamKiller:
                readings.add(first, "", form.means);
                break;
            case Role::TeamVictim:
                readings.add("", first, form.means);
                break;
            }
        }
    }
    return readings.single();
}

} // namespace fenlark::readers

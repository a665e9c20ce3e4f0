#include "q3match/PlayerRoster.h"

#include "q3match/DisplayText.h"
#include "q3match/GameRules.h"
#include "q3match/InfoString.h"

namespace fenlark::q3match {

void PlayerRoster::addEvent(MatchPlayerEvent::Kind kind, int client, std::int64_t timeMs,
                            const std::string& value) {
    MatchPlayerEvent event;
    event.timeMs = timeMs;
    event.kind = kind;
    event.clientNumber = client;
    event.name = slots_[index(client)].name;
    event.value = value;
    facts_.playerEvents.push_back(std::move(event));
}

void PlayerRoster::update(int client, std::string_view text, std::int64_t timeMs, bool announce) {
    if (!valid(client)) {
        return;
    }
    Slot& slot = slots_[index(client)];
    if (text.empty()) {
        if (slot.present) {
            slot.present = false;
            facts_.players[slot.entry].leftMs = timeMs;
            stamps_.push_back({slot.entry, false});
            addEvent(MatchPlayerEvent::Kind::Leave, client, timeMs, "");
        }
        return;
    }
    const std::string rawName(InfoValue(text, "n").value_or(""));
    const int team = InfoNumber(text, "t").value_or(0);
    if (!slot.present) {
        slot.present = true;
        slot.used = true;
        slot.rawName = rawName;
        slot.name = DisplayText(rawName, utf8_);
        slot.team = team;
        slot.entry = facts_.players.size();
        MatchPlayer player;
        player.clientNumber = client;
        player.name = slot.name;
        player.team = TeamName(team);
        player.joinedMs = announce ? timeMs : 0;
        facts_.players.push_back(std::move(player));
        if (announce) {
            stamps_.push_back({slot.entry, true});
            addEvent(MatchPlayerEvent::Kind::Join, client, timeMs, "");
        }
        return;
    }
    MatchPlayer& player = facts_.players[slot.entry];
    if (rawName != slot.rawName) {
        const std::string oldName = slot.name;
        slot.rawName = rawName;
        slot.name = DisplayText(rawName, utf8_);
        player.name = slot.name;
        addEvent(MatchPlayerEvent::Kind::Rename, client, timeMs, oldName);
    }
    if (team != slot.team) {
        slot.team = team;
        player.team = TeamName(team);
        addEvent(MatchPlayerEvent::Kind::TeamChange, client, timeMs, player.team);
    }
}

const std::string& PlayerRoster::name(int client) const {
    static const std::string none;
    return valid(client) ? slots_[index(client)].name : none;
}

std::optional<std::size_t> PlayerRoster::entry(int client) const {
    if (!valid(client) || !slots_[index(client)].used) {
        return std::nullopt;
    }
    return slots_[index(client)].entry;
}

void PlayerRoster::setScore(int client, std::int32_t score) {
    // A spectator's score is the followed player's, not his own.
    if (present(client) && slots_[index(client)].team != static_cast<int>(Team::Spectator)) {
        facts_.players[slots_[index(client)].entry].score = score;
    }
}

} // namespace fenlark::q3match

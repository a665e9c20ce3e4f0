#include "readers/source/SourceMatchBuilder.h"

#include "readers/source/SourceText.h"

namespace fenlark::readers::source {

namespace {

// Player slots beyond this are not followed (the engines have at most 255).
constexpr std::uint32_t MaxSlots = 256;
// Server values kept for the report; a sign-on sends a few dozen.
constexpr std::size_t MaxServerValues = 256;
// Players, chat lines, frags and events kept; a long public server demo has a
// few thousand. Further ones are dropped so that memory stays bounded
// whatever the demo's length.
constexpr std::size_t MaxListEntries = 100000;

template <class T> void Append(std::vector<T>& list, T item) {
    if (list.size() < MaxListEntries) {
        list.push_back(std::move(item));
    }
}

std::string YesNo(bool value) {
    return value ? "yes" : "no";
}

} // namespace

SourceMatchBuilder::SourceMatchBuilder(std::string gameDirectory)
    : gameDirectory_(std::move(gameDirectory)), chatNumbers_(ChatNumbersForGame(gameDirectory_)) {}

void SourceMatchBuilder::serverInfo(const SourceServerInfo& info) {
    server_ = info;
}

void SourceMatchBuilder::conVars(const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [name, value] : values) {
        const auto known = conVarIndex_.find(name);
        if (known != conVarIndex_.end()) {
            conVars_[known->second].second = value;
        } else if (conVars_.size() < MaxServerValues) {
            conVarIndex_.emplace(name, conVars_.size());
            conVars_.emplace_back(name, value);
        }
    }
}

void SourceMatchBuilder::userInfo(const StringTableEntry& entry) {
    if (entry.index >= MaxSlots) {
        return;
    }
    if (slots_.size() <= entry.index) {
        slots_.resize(entry.index + 1);
    }
    Slot& slot = slots_[entry.index];
    auto info = entry.hasData ? DecodePlayerInfo(entry.data) : std::nullopt;
    if (!info) {
        // An entry without data is a free slot: the player left.
        if (slot.present) {
            leave(slot);
        }
        return;
    }
    if (!slot.present || slot.info.userId != info->userId) {
        if (slot.present) {
            leave(slot);
        }
        join(entry.index, slot, std::move(*info));
        return;
    }
    if (slot.info.name != info->name) {
        MatchPlayerEvent rename;
        rename.timeMs = nowMs_;
        rename.kind = MatchPlayerEvent::Kind::Rename;
        rename.clientNumber = static_cast<std::int32_t>(entry.index);
        rename.name = info->name;
        rename.value = slot.info.name;
        Append(events_, std::move(rename));
        if (MatchPlayer* player = playerOf(slot)) {
            player->name = info->name;
        }
    }
    slot.info = std::move(*info);
}

void SourceMatchBuilder::join(std::uint32_t index, Slot& slot, SourcePlayerInfo info) {
    slot.present = true;
    slot.info = std::move(info);
    slot.player = players_.size() < MaxListEntries ? players_.size() : NoPlayer;
    MatchPlayer player;
    player.clientNumber = static_cast<std::int32_t>(index);
    player.name = slot.info.name;
    player.team = slot.info.sourceTv ? "spectator" : "";
    player.joinedMs = nowMs_;
    Append(players_, player);
    MatchPlayerEvent event;
    event.timeMs = nowMs_;
    event.kind = MatchPlayerEvent::Kind::Join;
    event.clientNumber = player.clientNumber;
    event.name = player.name;
    Append(events_, std::move(event));
}

void SourceMatchBuilder::leave(Slot& slot) {
    slot.present = false;
    MatchPlayer* player = playerOf(slot);
    if (!player) {
        return;
    }
    player->leftMs = nowMs_;
    MatchPlayerEvent event;
    event.timeMs = nowMs_;
    event.kind = MatchPlayerEvent::Kind::Leave;
    event.clientNumber = player->clientNumber;
    event.name = player->name;
    Append(events_, std::move(event));
}

MatchPlayer* SourceMatchBuilder::playerOf(const Slot& slot) {
    return slot.player < players_.size() ? &players_[slot.player] : nullptr;
}

const MatchPlayer* SourceMatchBuilder::playerOf(const Slot& slot) const {
    return slot.player < players_.size() ? &players_[slot.player] : nullptr;
}

SourceMatchBuilder::Slot* SourceMatchBuilder::slotOfUser(std::int64_t userId) {
    for (auto& slot : slots_) {
        if (slot.present && slot.info.userId == userId) {
            return &slot;
        }
    }
    return nullptr;
}

std::string SourceMatchBuilder::nameOfUser(std::int64_t userId) {
    const Slot* slot = slotOfUser(userId);
    return slot ? slot->info.name : std::string();
}

std::string SourceMatchBuilder::teamName(std::int64_t team) const {
    // Team numbers 0 and 1 are the engine's own; 2 and 3 are the game's.
    switch (team) {
    case 0:
        return "unassigned";
    case 1:
        return "spectator";
    default:
        break;
    }
    if (gameDirectory_ == "tf") {
        return team == 2 ? "red" : team == 3 ? "blue" : std::to_string(team);
    }
    if (gameDirectory_ == "hl2mp") {
        return team == 2 ? "combine" : team == 3 ? "rebels" : std::to_string(team);
    }
    return std::to_string(team);
}

void SourceMatchBuilder::gameEvent(const GameEvent& event) {
    const std::string& name = event.description->name;
    if (name == "player_death") {
        const auto victim = event.number("userid");
        if (!victim) {
            return;
        }
        MatchFrag frag;
        frag.timeMs = nowMs_;
        frag.victim = nameOfUser(*victim);
        const auto attacker = event.number("attacker").value_or(0);
        // Attacker 0 is the world (falls, map hazards).
        frag.killer = attacker == 0 ? std::string() : nameOfUser(attacker);
        frag.means = DisplayText(event.text("weapon").value_or(""));
        Append(frags_, std::move(frag));
    } else if (name == "player_team") {
        const auto user = event.number("userid");
        const auto team = event.number("team");
        if (!user || !team || event.number("disconnect").value_or(0) != 0) {
            return;
        }
        Slot* slot = slotOfUser(*user);
        MatchPlayer* player = slot ? playerOf(*slot) : nullptr;
        if (!player) {
            return;
        }
        player->team = teamName(*team);
        MatchPlayerEvent change;
        change.timeMs = nowMs_;
        change.kind = MatchPlayerEvent::Kind::TeamChange;
        change.clientNumber = player->clientNumber;
        change.name = player->name;
        change.value = player->team;
        Append(events_, std::move(change));
    } else if (name == "teamplay_round_win") {
        MatchScoringEvent win;
        win.timeMs = nowMs_;
        win.kind = "round win";
        win.team = teamName(event.number("team").value_or(0));
        Append(scoring_, std::move(win));
    }
}

void SourceMatchBuilder::userMessage(std::uint32_t type, BitReader data) {
    if (!chatNumbers_) {
        return;
    }
    std::optional<ChatMessage> message;
    if (type == chatNumbers_->sayText2) {
        message = DecodeSayText2(data);
    } else if (type == chatNumbers_->sayText) {
        message = DecodeSayText(data);
    }
    if (message) {
        chat(*message);
    }
}

void SourceMatchBuilder::chat(const ChatMessage& message) {
    MatchChatLine line;
    line.timeMs = nowMs_;
    line.team = message.team;
    line.sender = message.sender;
    line.text = message.text;
    if (line.sender.empty() && message.client > 0 && message.client - 1 < slots_.size() &&
        slots_[message.client - 1].present) {
        // Text formatted by the server names the sender in front of the text.
        line.sender = slots_[message.client - 1].info.name;
        line.text = WithoutSenderPrefix(line.text, line.sender);
    }
    Append(chat_, std::move(line));
}

std::vector<ReportedPlayer> SourceMatchBuilder::presentPlayers() const {
    std::vector<ReportedPlayer> list;
    for (std::size_t index = 0; index < slots_.size(); ++index) {
        const Slot& slot = slots_[index];
        if (!slot.present) {
            continue;
        }
        const SourcePlayerInfo& info = slot.info;
        const MatchPlayer* known = playerOf(slot);
        const std::string team = known ? known->team : std::string();
        ReportedPlayer player;
        player.name = info.name;
        player.spectator = info.sourceTv || team == "spectator";
        player.team = player.spectator ? std::string() : team;
        player.details.emplace_back("Entity", std::to_string(index + 1));
        player.details.emplace_back("User id", std::to_string(info.userId));
        if (!info.guid.empty()) {
            player.details.emplace_back("Steam id", info.guid);
        }
        if (info.friendsId != 0) {
            player.details.emplace_back("Friends id", std::to_string(info.friendsId));
        }
        player.details.emplace_back("Bot", YesNo(info.fakePlayer));
        if (info.sourceTv) {
            player.details.emplace_back("SourceTV", YesNo(true));
        }
        list.push_back(std::move(player));
    }
    return list;
}

std::optional<MatchRecorder> SourceMatchBuilder::recorder() const {
    if (!server_) {
        return std::nullopt;
    }
    MatchRecorder recorder;
    recorder.clientNumber = server_->playerSlot;
    const auto slot = static_cast<std::size_t>(server_->playerSlot);
    if (slot < slots_.size() && slots_[slot].present) {
        recorder.name = slots_[slot].info.name;
    }
    return recorder;
}

void SourceMatchBuilder::moveFactsInto(MatchFacts& facts) {
    facts.players = std::move(players_);
    facts.playerEvents = std::move(events_);
    facts.chat = std::move(chat_);
    facts.frags = std::move(frags_);
    facts.scoringEvents = std::move(scoring_);
}

} // namespace fenlark::readers::source

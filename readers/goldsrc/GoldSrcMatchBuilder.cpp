#include "readers/goldsrc/GoldSrcMatchBuilder.h"

#include "readers/goldsrc/GoldSrcText.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace fenlark::readers::goldsrc {

namespace {

// Players, events, chat lines and frags kept; further ones are dropped so that
// memory stays bounded whatever the demo's length.
constexpr std::size_t MaxListEntries = 100000;

template <class T> void Append(std::vector<T>& list, T item) {
    if (list.size() < MaxListEntries) {
        list.push_back(std::move(item));
    }
}

// Byte-wise reading of a game message.
class MessageReader {
public:
    explicit MessageReader(std::span<const std::uint8_t> data) : data_(data) {}
    bool atEnd() const { return position_ >= data_.size(); }
    std::size_t remaining() const { return data_.size() - position_; }
    std::optional<std::uint32_t> u8() {
        if (position_ >= data_.size()) {
            return std::nullopt;
        }
        return data_[position_++];
    }
    std::optional<std::int32_t> i16() {
        if (remaining() < 2) {
            return std::nullopt;
        }
        const auto value = static_cast<std::int16_t>(data_[position_] | data_[position_ + 1] << 8);
        position_ += 2;
        return value;
    }
    // A string up to a zero byte or the end of the message.
    std::string_view string() {
        const auto* begin = reinterpret_cast<const char*>(data_.data() + position_);
        std::size_t length = 0;
        while (position_ + length < data_.size() && begin[length] != 0) {
            ++length;
        }
        position_ = std::min(data_.size(), position_ + length + 1);
        return {begin, length};
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
};

std::string Trimmed(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

void GoldSrcMatchBuilder::serverInfo(const GoldSrcServerInfo& info) {
    server_ = info;
}

MatchPlayer* GoldSrcMatchBuilder::playerOf(const Slot& slot) {
    return slot.player < players_.size() ? &players_[slot.player] : nullptr;
}

void GoldSrcMatchBuilder::userInfo(std::uint32_t slotNumber, std::int32_t userId,
                                   std::string_view info) {
    if (slotNumber >= MaxSlots) {
        return;
    }
    Slot& slot = slots_[slotNumber];
    const bool leaving = info.empty();
    if (slot.present && (leaving || slot.userId != userId)) {
        slot.present = false;
        if (MatchPlayer* player = playerOf(slot)) {
            player->leftMs = nowMs_;
            Append(
                events_,
                MatchPlayerEvent{
                    nowMs_, MatchPlayerEvent::Kind::Leave, player->clientNumber, player->name, {}});
        }
    }
    if (leaving) {
        return;
    }
    const std::string name = DisplayText(InfoValue(info, "name").value_or(""));
    if (!slot.present) {
        slot = Slot{};
        slot.present = true;
        slot.userId = userId;
        slot.name = name;
        slot.player = players_.size() < MaxListEntries ? players_.size() : NoPlayer;
        MatchPlayer player;
        player.clientNumber = static_cast<std::int32_t>(slotNumber);
        player.name = name;
        player.joinedMs = nowMs_;
        Append(players_, player);
        Append(events_, MatchPlayerEvent{
                            nowMs_, MatchPlayerEvent::Kind::Join, player.clientNumber, name, {}});
    } else if (slot.name != name) {
        Append(events_, MatchPlayerEvent{nowMs_, MatchPlayerEvent::Kind::Rename,
                                         static_cast<std::int32_t>(slotNumber), name, slot.name});
        slot.name = name;
        if (MatchPlayer* player = playerOf(slot)) {
            player->name = name;
        }
    }
    slot.info.assign(info);
}

GoldSrcMatchBuilder::Slot* GoldSrcMatchBuilder::slotOfEntity(std::uint32_t entity) {
    if (entity == 0 || entity > MaxSlots || !slots_[entity - 1].present) {
        return nullptr;
    }
    return &slots_[entity - 1];
}

std::string GoldSrcMatchBuilder::nameOfEntity(std::uint32_t entity) {
    const Slot* slot = slotOfEntity(entity);
    return slot ? slot->name : std::string();
}

bool GoldSrcMatchBuilder::IsSpectatorTeam(std::string_view team) {
    std::string lower(team);
    std::ranges::transform(lower, lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower == "spectator" || lower == "spectators";
}

void GoldSrcMatchBuilder::userMessage(std::string_view name, std::span<const std::uint8_t> data) {
    if (name == "TeamInfo") {
        teamInfo(data);
    } else if (name == "ScoreInfo") {
        scoreInfo(data);
    } else if (name == "SayText") {
        sayText(data);
    } else if (name == "DeathMsg") {
        deathMessage(data);
    }
}

// TeamInfo: entity (byte), team name.
void GoldSrcMatchBuilder::teamInfo(std::span<const std::uint8_t> data) {
    MessageReader in(data);
    const auto entity = in.u8();
    Slot* slot = entity ? slotOfEntity(*entity) : nullptr;
    if (!slot) {
        return;
    }
    std::string team = DisplayText(in.string());
    if (team == slot->team) {
        return;
    }
    slot->team = team;
    if (!team.empty() && !IsSpectatorTeam(team) && team != "UNASSIGNED" &&
        std::ranges::find(teamOrder_, team) == teamOrder_.end() && teamOrder_.size() < 16) {
        teamOrder_.push_back(team);
    }
    if (MatchPlayer* player = playerOf(*slot)) {
        player->team = team;
        Append(events_, MatchPlayerEvent{nowMs_, MatchPlayerEvent::Kind::TeamChange,
                                         player->clientNumber, player->name, team});
    }
}

// ScoreInfo: entity (byte), frags, deaths (shorts), then in most games a
// class and the team number (shorts).
void GoldSrcMatchBuilder::scoreInfo(std::span<const std::uint8_t> data) {
    MessageReader in(data);
    const auto entity = in.u8();
    const auto frags = in.i16();
    const auto deaths = in.i16();
    Slot* slot = entity ? slotOfEntity(*entity) : nullptr;
    if (!slot || !frags || !deaths) {
        return;
    }
    slot->frags = *frags;
    slot->deaths = *deaths;
    in.i16();
    if (const auto team = in.i16()) {
        slot->teamNumber = *team;
    }
    if (MatchPlayer* player = playerOf(*slot)) {
        player->score = *frags;
    }
}

// SayText: the sender's entity (byte), then either the text as shown
// ("name: text") or, in Counter-Strike, a "#Cstrike_Chat_..." token, the
// sender's name (often empty) and the text.
void GoldSrcMatchBuilder::sayText(std::span<const std::uint8_t> data) {
    MessageReader in(data);
    const auto entity = in.u8();
    if (!entity || *entity == 0) {
        return; // server notices
    }
    const std::string_view first = in.string();
    MatchChatLine line;
    line.timeMs = nowMs_;
    line.sender = nameOfEntity(*entity);
    if (first.starts_with('#')) {
        std::string_view text;
        while (!in.atEnd()) {
            const std::string_view next = in.string();
            if (!next.empty()) {
                text = next;
            }
        }
        line.team = first.find("_All") == std::string_view::npos;
        line.text = Trimmed(DisplayText(text));
    } else {
        std::string text = Trimmed(DisplayText(first));
        if (!line.sender.empty() && text.starts_with(line.sender + ":")) {
            text = Trimmed(text.substr(line.sender.size() + 1));
        }
        line.text = std::move(text);
    }
    Append(chat_, std::move(line));
}

// DeathMsg: killer and victim entities (bytes), in Counter-Strike a headshot
// flag (byte), then the weapon.
void GoldSrcMatchBuilder::deathMessage(std::span<const std::uint8_t> data) {
    MessageReader in(data);
    const auto killer = in.u8();
    const auto victim = in.u8();
    if (!killer || !victim) {
        return;
    }
    if (gameDirectory_ == "cstrike" || gameDirectory_ == "czero") {
        in.u8();
    }
    MatchFrag frag;
    frag.timeMs = nowMs_;
    frag.killer = *killer == 0 ? std::string() : nameOfEntity(*killer);
    frag.victim = nameOfEntity(*victim);
    frag.means = DisplayText(in.string());
    Append(frags_, std::move(frag));
}

std::vector<ReportedPlayer> GoldSrcMatchBuilder::presentPlayers() const {
    std::vector<ReportedPlayer> list;
    for (std::size_t index = 0; index < slots_.size(); ++index) {
        const Slot& slot = slots_[index];
        if (!slot.present) {
            continue;
        }
        ReportedPlayer player;
        player.name = slot.name;
        const bool proxy = InfoValue(slot.info, "*hltv").has_value();
        player.spectator = proxy || IsSpectatorTeam(slot.team);
        if (!player.spectator && slot.team != "UNASSIGNED") {
            player.team = slot.team;
        }
        player.details.emplace_back("Slot", std::to_string(index));
        player.details.emplace_back("User id", std::to_string(slot.userId));
        if (slot.frags) {
            player.details.emplace_back("Frags", std::to_string(*slot.frags));
        }
        if (slot.deaths) {
            player.details.emplace_back("Deaths", std::to_string(*slot.deaths));
        }
        for (const auto& [key, value] : InfoPairs(slot.info)) {
            if (key != "name" && !key.empty()) {
                player.details.emplace_back(DisplayText(key), DisplayText(value));
            }
        }
        list.push_back(std::move(player));
    }
    return list;
}

std::vector<std::string> GoldSrcMatchBuilder::teams() const {
    // The game's order: by the team numbers of ScoreInfo where known, else in
    // the order the teams appeared.
    auto numberOf = [&](const std::string& team) {
        std::int32_t lowest = std::numeric_limits<std::int32_t>::max();
        for (const Slot& slot : slots_) {
            if (slot.present && slot.team == team && slot.teamNumber) {
                lowest = std::min(lowest, *slot.teamNumber);
            }
        }
        return lowest;
    };
    std::vector<std::string> order = teamOrder_;
    std::ranges::stable_sort(order, [&](const std::string& a, const std::string& b) {
        return numberOf(a) < numberOf(b);
    });
    return order;
}

std::optional<MatchRecorder> GoldSrcMatchBuilder::recorder() const {
    if (!server_) {
        return std::nullopt;
    }
    MatchRecorder recorder;
    recorder.clientNumber = static_cast<std::int32_t>(server_->playerSlot);
    if (server_->playerSlot < MaxSlots && slots_[server_->playerSlot].present) {
        recorder.name = slots_[server_->playerSlot].name;
    }
    return recorder;
}

void GoldSrcMatchBuilder::moveFactsInto(MatchFacts& facts) {
    facts.players = std::move(players_);
    facts.playerEvents = std::move(events_);
    facts.chat = std::move(chat_);
    facts.frags = std::move(frags_);
}

} // namespace fenlark::readers::goldsrc

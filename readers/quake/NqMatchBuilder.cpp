#include "readers/quake/NqMatchBuilder.h"

#include "core/TopScorer.h"

#include "readers/quake/QuakeObituary.h"
#include "readers/quake/QuakeText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fenlark::readers::quake {

namespace {

// The signon stage at which a client has received every player.
constexpr std::uint8_t SignonPlayersKnown = 3;
// Lists of the match facts stop growing here, so that a damaged or hostile
// file cannot exhaust memory; real demos stay far below.
constexpr std::size_t MaxListed = 1 << 16;
// Statistics the server keeps for cooperative and single play.
constexpr std::uint8_t StatTotalSecrets = 11;
constexpr std::uint8_t StatTotalMonsters = 12;
constexpr std::uint8_t StatSecrets = 13;
constexpr std::uint8_t StatMonsters = 14;
// A chat line starts with this byte, which makes the client play its sound.
constexpr char ChatMark = 1;

std::string MapName(std::string_view file) {
    if (file.starts_with("maps/")) {
        file.remove_prefix(5);
    }
    if (file.ends_with(".bsp")) {
        file.remove_suffix(4);
    }
    return QuakeLineToUtf8(file);
}

std::string GameTypeName(std::uint8_t gameType, std::uint8_t maxClients) {
    if (gameType == 1) {
        return "deathmatch";
    }
    return maxClients <= 1 ? "single player" : "cooperative";
}

} // namespace

std::int64_t NqMatchBuilder::nowMs() const {
    if (!levelFirstTime_) {
        return earlierLevelsMs_;
    }
    return earlierLevelsMs_ +
           std::llround((static_cast<double>(levelLastTime_) - *levelFirstTime_) * 1000.0);
}

void NqMatchBuilder::onServerInfo(const NqServerInfo& info) {
    // A new level: its clock starts again, and the client starts a new line
    // after the server's banner.
    lines_.breakLine();
    earlierLevelsMs_ = nowMs();
    levelFirstTime_.reset();
    Level level;
    level.protocol = info.protocol;
    level.maxClients = info.maxClients;
    level.gameType = info.gameType;
    level.levelName = QuakeLineToUtf8(info.levelName);
    level.map = MapName(info.mapFile);
    levels_.push_back(std::move(level));
    monsters_ = 0;
    secrets_ = 0;
    totalMonsters_.reset();
    totalSecrets_.reset();
}

void NqMatchBuilder::onTime(float seconds) {
    if (!std::isfinite(seconds)) {
        return;
    }
    if (!firstTime_) {
        firstTime_ = seconds;
    }
    if (!levelFirstTime_) {
        levelFirstTime_ = seconds;
    }
    levelLastTime_ = seconds;
}

void NqMatchBuilder::onName(std::uint8_t slot, std::string_view name) {
    if (slot >= MaxClients) {
        return;
    }
    Slot& client = slots_[slot];
    if (name == client.name) {
        return;
    }
    MatchPlayerEvent event;
    event.timeMs = nowMs();
    event.clientNumber = slot;
    if (client.player && name.empty()) {
        MatchPlayer& player = match_.players[*client.player];
        player.leftMs = event.timeMs;
        event.kind = MatchPlayerEvent::Kind::Leave;
        event.name = player.name;
        client.player.reset();
    } else if (client.player) {
        MatchPlayer& player = match_.players[*client.player];
        event.kind = MatchPlayerEvent::Kind::Rename;
        event.value = player.name;
        player.name = QuakeLineToUtf8(name);
        event.name = player.name;
    } else if (!name.empty()) {
        MatchPlayer player;
        player.clientNumber = slot;
        player.name = QuakeLineToUtf8(name);
        player.score = client.frags;
        player.joinedMs = windowTaken_ ? event.timeMs : 0;
        event.kind = MatchPlayerEvent::Kind::Join;
        event.name = player.name;
        if (match_.players.size() < MaxListed) {
            client.player = match_.players.size();
            match_.players.push_back(std::move(player));
        }
    } else {
        client.name.clear();
        return;
    }
    client.name = name;
    // The names sent while a client connects are the state at the start.
    if (windowTaken_ && match_.playerEvents.size() < MaxListed) {
        match_.playerEvents.push_back(std::move(event));
    }
}

void NqMatchBuilder::onFrags(std::uint8_t slot, std::int16_t frags) {
    if (slot >= MaxClients) {
        return;
    }
    Slot& client = slots_[slot];
    client.frags = frags;
    if (client.player && !scoresFrozen_) {
        match_.players[*client.player].score = frags;
    }
}

void NqMatchBuilder::onColors(std::uint8_t slot, std::uint8_t colors) {
    if (slot < MaxClients) {
        slots_[slot].colors = colors;
    }
}

void NqMatchBuilder::onViewEntity(std::int16_t entity) {
    if (!viewEntity_) {
        viewEntity_ = entity;
    }
}

void NqMatchBuilder::onSignon(std::uint8_t stage) {
    if (stage >= SignonPlayersKnown) {
        takeWindow();
    }
}

void NqMatchBuilder::onStat(std::uint8_t index, std::int32_t value) {
    switch (index) {
    case StatTotalSecrets:
        totalSecrets_ = value;
        break;
    case StatTotalMonsters:
        totalMonsters_ = value;
        break;
    case StatSecrets:
        secrets_ = value;
        break;
    case StatMonsters:
        monsters_ = value;
        break;
    default:
        break;
    }
}

void NqMatchBuilder::onKilledMonster() {
    ++monsters_;
}

void NqMatchBuilder::onFoundSecret() {
    ++secrets_;
}

void NqMatchBuilder::onIntermission() {
    scoresFrozen_ = true;
    matchEnded_ = true;
}

void NqMatchBuilder::takeWindow() {
    if (windowTaken_ || levels_.empty()) {
        return;
    }
    windowTaken_ = true;
    for (std::size_t index = 0; index < MaxClients; ++index) {
        const Slot& client = slots_[index];
        if (client.name.empty()) {
            continue;
        }
        WindowPlayer entry;
        entry.slot = index;
        entry.facts = client.player;
        entry.player.name = QuakeLineToUtf8(client.name);
        auto& details = entry.player.details;
        details.emplace_back("Slot", std::to_string(index));
        details.emplace_back("Frags", std::to_string(client.frags));
        details.emplace_back("Shirt colour", std::to_string(client.colors >> 4));
        details.emplace_back("Pants colour", std::to_string(client.colors & 15));
        window_.push_back(std::move(entry));
    }
}

void NqMatchBuilder::onPrint(std::string_view text) {
    // A chat message always comes whole, in one print.
    if (!text.empty() && text.front() == ChatMark) {
        lines_.breakLine();
    }
    lines_.add(text, [&](std::string_view piece) { line(piece); });
}

std::vector<std::string> NqMatchBuilder::names() const {
    std::vector<std::string> result;
    for (const Slot& client : slots_) {
        if (!client.name.empty()) {
            result.push_back(client.name);
        }
    }
    return result;
}

void NqMatchBuilder::line(std::string_view text) {
    const auto players = names();
    if (!text.empty() && text.front() == ChatMark) {
        text.remove_prefix(1);
        // "name: text"; the longest name that fits is the sender.
        const std::string* sender = nullptr;
        for (const std::string& name : players) {
            if (text.starts_with(name + ": ") &&
                (sender == nullptr || name.size() > sender->size())) {
                sender = &name;
            }
        }
        if (sender != nullptr && match_.chat.size() < MaxListed) {
            MatchChatLine chat;
            chat.timeMs = nowMs();
            chat.sender = QuakeLineToUtf8(*sender);
            chat.text = QuakeLineToUtf8(text.substr(sender->size() + 2));
            match_.chat.push_back(std::move(chat));
        }
        return;
    }
    if (match_.frags.size() >= MaxListed) {
        return;
    }
    if (auto obituary = MatchQuakeObituary(text, players)) {
        MatchFrag frag;
        frag.timeMs = nowMs();
        frag.killer = QuakeLineToUtf8(obituary->killer);
        frag.victim = QuakeLineToUtf8(obituary->victim);
        frag.means = std::move(obituary->means);
        match_.frags.push_back(std::move(frag));
    }
}

void NqMatchBuilder::fillOutcome() {
    if (levels_.empty()) {
        return;
    }
    const Level& first = levels_.front();
    match_.gameType = MatchGameType{first.gameType, GameTypeName(first.gameType, first.maxClients)};
    if (!matchEnded_ || levels_.back().gameType != 1) {
        return;
    }
    const TopScore top =
        FindTopScore(match_.players, [](const MatchPlayer& player) { return !player.leftMs; });
    if (top.leader != nullptr && !top.tie) {
        match_.winner = top.leader->name;
    }
}

EngineReport NqMatchBuilder::finish(MatchEnd ended, bool wholeFile) {
    EngineReport report;
    match_.ended = std::move(ended);
    takeWindow();
    // The window's reading stops at the start: the demo's length is unknown.
    if (firstTime_ && wholeFile) {
        match_.durationMs = nowMs();
        if (levels_.size() == 1) {
            const double first = std::round(static_cast<double>(*firstTime_) * 1000.0);
            const double last = std::round(static_cast<double>(levelLastTime_) * 1000.0);
            constexpr double Max = std::numeric_limits<std::int32_t>::max();
            if (first >= 0 && last >= first && last <= Max) {
                match_.firstServerTime = static_cast<std::int32_t>(first);
                match_.lastServerTime = static_cast<std::int32_t>(last);
            }
        }
    }
    if (viewEntity_ && *viewEntity_ >= 1 && static_cast<std::size_t>(*viewEntity_) <= MaxClients) {
        MatchRecorder recorder;
        recorder.clientNumber = *viewEntity_ - 1;
        for (const WindowPlayer& entry : window_) {
            if (entry.slot == static_cast<std::size_t>(*viewEntity_ - 1)) {
                recorder.name = entry.player.name;
            }
        }
        match_.recorder = recorder;
    }
    fillOutcome();

    if (!levels_.empty()) {
        const Level& first = levels_.front();
        report.protocol = std::to_string(first.protocol);
        if (!first.map.empty()) {
            report.map = first.map;
        }
        auto& rows = report.otherInfo;
        rows.emplace_back("Level name", first.levelName);
        rows.emplace_back("Maximum players", std::to_string(first.maxClients));
        rows.emplace_back("Game type", GameTypeName(first.gameType, first.maxClients));
        if (wholeFile && levels_.size() > 1) {
            std::string maps;
            for (const Level& level : levels_) {
                maps += (maps.empty() ? "" : ", ") + level.map;
            }
            rows.emplace_back("Levels", maps);
        }
        if (wholeFile && levels_.size() == 1 && first.gameType == 0) {
            if (totalMonsters_) {
                rows.emplace_back("Monsters killed", std::to_string(monsters_) + " / " +
                                                         std::to_string(*totalMonsters_));
            }
            if (totalSecrets_) {
                rows.emplace_back("Secrets found", std::to_string(secrets_) + " / " +
                                                       std::to_string(*totalSecrets_));
            }
        }
    }
    for (const WindowPlayer& entry : window_) {
        ReportedPlayer player = entry.player;
        if (wholeFile && entry.facts) {
            if (const auto score = match_.players[*entry.facts].score) {
                player.details.emplace_back("Final frags", std::to_string(*score));
            }
        }
        report.players.push_back(std::move(player));
    }
    report.match = std::move(match_);
    return report;
}

} // namespace fenlark::readers::quake

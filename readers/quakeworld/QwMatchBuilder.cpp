#include "readers/quakeworld/QwMatchBuilder.h"

#include "core/TopScorer.h"

#include "readers/quake/QuakeObituary.h"
#include "readers/quake/QuakeText.h"
#include "readers/quakeworld/QwChat.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fenlark::readers::quakeworld {

namespace {

constexpr std::string_view FullServerInfo = "fullserverinfo \"";
constexpr std::string_view FinalScores = "//finalscores ";
// The server's embedded statistics are a few kilobytes; more is damage.
constexpr std::size_t MaxDemoInfo = 4 << 20;
// Lists of the match facts stop growing here, so that a damaged or hostile
// file cannot exhaust memory; real demos stay far below.
constexpr std::size_t MaxListed = 1 << 16;
// Chat lines remembered per moment to drop the copies sent to each client.
constexpr std::size_t MaxChatAtTime = 64;

bool IsSet(std::string_view value) {
    return !value.empty() && value != "0";
}

// Calls `each` for every line of `text`, without the line breaks.
template <class Each> void ForEachLine(std::string_view text, Each each) {
    while (!text.empty()) {
        const auto end = text.find('\n');
        each(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
}

std::string ExtensionText(std::uint32_t fte, std::uint32_t fte2, std::uint32_t mvd) {
    std::string text;
    const auto add = [&](const char* tag, std::uint32_t bits) {
        if (bits == 0) {
            return;
        }
        char part[40];
        std::snprintf(part, sizeof part, "%s%s 0x%x", text.empty() ? "" : ", ", tag, bits);
        text += part;
    };
    add("FTEX", fte);
    add("FTE2", fte2);
    add("MVD1", mvd);
    return text;
}

} // namespace

void QwMatchBuilder::beginBlock(std::int64_t timeMs, std::uint8_t type, std::uint32_t /*to*/) {
    timeMs_ = timeMs;
    if (!firstTimeMs_) {
        firstTimeMs_ = timeMs;
    }
    blockType_ = type;
    ++blockIndex_;
}

bool QwMatchBuilder::sentToSomeClients() const {
    return kind_ == QwDemoKind::Mvd &&
           (blockType_ == DemSingle || blockType_ == DemMultiple || blockType_ == DemStats);
}

bool QwMatchBuilder::teamplay() const {
    return IsSet(InfoValue(serverInfo_, "teamplay"));
}

std::string QwMatchBuilder::teamFor(const Slot& slot) const {
    if (slot.spectator) {
        return "spectator";
    }
    return teamplay() ? QuakeLineToUtf8(slot.team) : std::string();
}

void QwMatchBuilder::onServerData(const QwServerData& data) {
    serverDataSeen_ = true;
    protocol_ = data.protocol;
    fte_ = data.fte;
    fte2_ = data.fte2;
    mvd_ = data.mvd;
    gameDir_ = data.gameDir;
    levelName_ = data.levelName;
    demoTime_ = data.demoTime;
    recorderSlot_ = data.playerNumber;
    recorderSpectator_ = data.spectator;
}

void QwMatchBuilder::onStuffText(std::string_view text) {
    ForEachLine(text, [&](std::string_view line) {
        if (line.starts_with(FullServerInfo)) {
            std::string_view info = line.substr(FullServerInfo.size());
            info = info.substr(0, info.find('"'));
            serverInfo_ = ParseInfoString(info);
        } else if (line.starts_with(FinalScores)) {
            matchEnded_ = true;
        } else if (line == "skins") {
            // The last step of a client's setup: every client is known.
            takeWindow();
        }
    });
}

void QwMatchBuilder::onServerInfo(std::string_view key, std::string_view value) {
    SetInfoValue(serverInfo_, key, value);
}

void QwMatchBuilder::onUserInfo(std::uint8_t slot, std::int32_t userId, std::string_view info) {
    // An MVD also holds what the server sent to single clients; the state of
    // the game is what it sent to everybody.
    if (slot >= MaxClients || sentToSomeClients()) {
        return;
    }
    applyUserInfo(slot, userId, ParseInfoString(info));
}

void QwMatchBuilder::onSetInfo(std::uint8_t slot, std::string_view key, std::string_view value) {
    if (slot >= MaxClients || sentToSomeClients()) {
        return;
    }
    Slot& client = slots_[slot];
    SetInfoValue(client.info, key, value);
    if (!client.occupied) {
        return;
    }
    if (key == "name" && value.empty()) {
        leave(slot);
    } else if (key == "name" || key == "team" || key == "*spectator") {
        update(slot);
    }
}

void QwMatchBuilder::applyUserInfo(std::size_t index, std::int32_t userId, InfoPairs info) {
    Slot& client = slots_[index];
    const bool named = !InfoValue(info, "name").empty();
    if (client.occupied && (!named || client.userId != userId)) {
        leave(index);
    }
    client.info = std::move(info);
    client.userId = userId;
    if (!named) {
        return;
    }
    if (client.occupied) {
        update(index);
    } else {
        join(index);
    }
}

void QwMatchBuilder::join(std::size_t index) {
    Slot& client = slots_[index];
    client.occupied = true;
    client.name = InfoValue(client.info, "name");
    client.team = InfoValue(client.info, "team");
    client.spectator = IsSet(InfoValue(client.info, "*spectator"));
    MatchPlayer player;
    player.clientNumber = static_cast<std::int32_t>(index);
    player.name = QuakeLineToUtf8(client.name);
    player.team = teamFor(client);
    if (!client.spectator) {
        player.score = client.frags;
    }
    player.joinedMs = windowTaken_ ? timeMs_ - firstTimeMs_.value_or(0) : 0;
    if (match_.players.size() < MaxListed) {
        client.player = match_.players.size();
        match_.players.push_back(std::move(player));
    }
    addEvent(MatchPlayerEvent::Kind::Join, index, QuakeLineToUtf8(client.name), {});
}

void QwMatchBuilder::update(std::size_t index) {
    Slot& client = slots_[index];
    const std::string name(InfoValue(client.info, "name"));
    const std::string team(InfoValue(client.info, "team"));
    const bool spectator = IsSet(InfoValue(client.info, "*spectator"));
    if (name.empty()) {
        leave(index);
        return;
    }
    MatchPlayer* player = client.player ? &match_.players[*client.player] : nullptr;
    if (name != client.name) {
        const std::string oldName = QuakeLineToUtf8(client.name);
        client.name = name;
        if (player != nullptr) {
            player->name = QuakeLineToUtf8(name);
        }
        addEvent(MatchPlayerEvent::Kind::Rename, index, QuakeLineToUtf8(name), oldName);
    }
    if (team != client.team || spectator != client.spectator) {
        client.team = team;
        client.spectator = spectator;
        const std::string newTeam = teamFor(client);
        if (player != nullptr) {
            player->team = newTeam;
            if (spectator) {
                player->score.reset();
            } else if (!scoresFrozen_ || !player->score) {
                player->score = client.frags;
            }
        }
        addEvent(MatchPlayerEvent::Kind::TeamChange, index, QuakeLineToUtf8(name), newTeam);
    }
}

std::int16_t QwMatchBuilder::scoreAtLeave(const Slot& slot) const {
    // A server clears a leaving client's frags in the same message as its
    // name; the score it left with is the one before.
    if (slot.fragsBlock == blockIndex_ && slot.frags == 0) {
        return slot.fragsBefore;
    }
    return slot.frags;
}

void QwMatchBuilder::leave(std::size_t index) {
    Slot& client = slots_[index];
    if (client.player) {
        MatchPlayer& player = match_.players[*client.player];
        player.leftMs = timeMs_ - firstTimeMs_.value_or(0);
        if (!client.spectator && !scoresFrozen_) {
            player.score = scoreAtLeave(client);
        }
    }
    addEvent(MatchPlayerEvent::Kind::Leave, index, QuakeLineToUtf8(client.name), {});
    client.occupied = false;
    client.player.reset();
    client.name.clear();
    client.team.clear();
    client.spectator = false;
}

void QwMatchBuilder::addEvent(MatchPlayerEvent::Kind kind, std::size_t index, std::string name,
                              std::string value) {
    if (!windowTaken_ || match_.playerEvents.size() >= MaxListed) {
        return; // the state at the start is not a change
    }
    MatchPlayerEvent event;
    event.timeMs = timeMs_ - firstTimeMs_.value_or(0);
    event.kind = kind;
    event.clientNumber = static_cast<std::int32_t>(index);
    event.name = std::move(name);
    event.value = std::move(value);
    match_.playerEvents.push_back(std::move(event));
}

void QwMatchBuilder::onFrags(std::uint8_t slot, std::int16_t frags) {
    if (slot >= MaxClients) {
        return;
    }
    Slot& client = slots_[slot];
    client.fragsBefore = client.frags;
    client.fragsBlock = blockIndex_;
    client.frags = frags;
    if (client.occupied && !client.spectator && client.player && !scoresFrozen_) {
        match_.players[*client.player].score = frags;
    }
}

void QwMatchBuilder::onPing(std::uint8_t slot, std::int16_t ping) {
    if (slot < MaxClients) {
        slots_[slot].ping = ping;
    }
}

void QwMatchBuilder::onModel(std::size_t index, std::string_view name) {
    if (index == 1) {
        mapFile_ = name;
    }
}

void QwMatchBuilder::onIntermission() {
    scoresFrozen_ = true;
    matchEnded_ = true;
}

void QwMatchBuilder::onFrame() {
    takeWindow();
}

void QwMatchBuilder::takeWindow() {
    if (windowTaken_ || !serverDataSeen_) {
        return;
    }
    windowTaken_ = true;
    windowServerInfo_ = serverInfo_;
    for (std::size_t index = 0; index < MaxClients; ++index) {
        const Slot& client = slots_[index];
        if (!client.occupied) {
            continue;
        }
        WindowClient entry;
        entry.slot = index;
        entry.userId = client.userId;
        entry.facts = client.player;
        entry.rawName = client.name;
        ReportedPlayer& player = entry.player;
        player.name = QuakeLineToUtf8(client.name);
        player.spectator = client.spectator;
        player.team = client.spectator ? std::string() : teamFor(client);
        auto& details = player.details;
        details.emplace_back("Slot", std::to_string(index));
        details.emplace_back("User id", std::to_string(client.userId));
        if (!client.team.empty()) {
            details.emplace_back("Team", QuakeLineToUtf8(client.team));
        }
        if (!client.spectator) {
            details.emplace_back("Frags", std::to_string(client.frags));
        }
        details.emplace_back("Ping", std::to_string(client.ping));
        for (const auto& [key, label] :
             {std::pair{"*client", "Client"}, std::pair{"skin", "Skin"},
              std::pair{"topcolor", "Top colour"}, std::pair{"bottomcolor", "Bottom colour"}}) {
            const std::string_view value = InfoValue(client.info, key);
            if (!value.empty()) {
                details.emplace_back(label, QuakeLineToUtf8(value));
            }
        }
        if (IsSet(InfoValue(client.info, "*bot"))) {
            details.emplace_back("Bot", "yes");
        }
        window_.push_back(std::move(entry));
    }
}

std::vector<std::string> QwMatchBuilder::playerNames(bool withSpectators) const {
    std::vector<std::string> names;
    for (const Slot& client : slots_) {
        if (client.occupied && (withSpectators || !client.spectator)) {
            names.push_back(client.name);
        }
    }
    return names;
}

void QwMatchBuilder::onPrint(std::uint8_t level, std::string_view text) {
    if (level == PrintChat) {
        ForEachLine(text, [&](std::string_view line) { chatLine(line); });
        return;
    }
    // Obituaries go to everybody, and the original game code prints them in
    // pieces that make up one line.
    if (level != PrintMedium || sentToSomeClients()) {
        return;
    }
    obituaries_.add(text, [&](std::string_view line) { obituaryLine(line); });
}

void QwMatchBuilder::chatLine(std::string_view line) {
    if (line.empty()) {
        return;
    }
    // A mod that prints chat itself sends one copy to each client, and an
    // MVD holds them all: a line counts once per moment.
    if (timeMs_ != chatTimeMs_) {
        chatTimeMs_ = timeMs_;
        chatAtTime_.clear();
    }
    if (std::ranges::find(chatAtTime_, line) != chatAtTime_.end()) {
        return;
    }
    if (chatAtTime_.size() >= MaxChatAtTime) {
        chatAtTime_.clear();
    }
    chatAtTime_.emplace_back(line);
    const auto names = playerNames(true);
    const auto split = SplitQwChat(line, names);
    if (!split || match_.chat.size() >= MaxListed) {
        return;
    }
    MatchChatLine chat;
    chat.timeMs = timeMs_ - firstTimeMs_.value_or(0);
    chat.team = split->team;
    chat.sender = QuakeLineToUtf8(split->sender);
    chat.text = CleanQwChatText(split->text);
    match_.chat.push_back(std::move(chat));
}

void QwMatchBuilder::obituaryLine(std::string_view line) {
    const auto names = playerNames(false);
    auto obituary = MatchQuakeObituary(line, names);
    if (!obituary && line.starts_with(' ')) {
        // A piece printed after a line break can start the next line with a
        // space.
        obituary = MatchQuakeObituary(line.substr(line.find_first_not_of(' ') == line.npos
                                                      ? line.size()
                                                      : line.find_first_not_of(' ')),
                                      names);
    }
    if (!obituary || match_.frags.size() >= MaxListed) {
        return;
    }
    MatchFrag frag;
    frag.timeMs = timeMs_ - firstTimeMs_.value_or(0);
    frag.killer = QuakeLineToUtf8(obituary->killer);
    frag.victim = QuakeLineToUtf8(obituary->victim);
    frag.means = std::move(obituary->means);
    match_.frags.push_back(std::move(frag));
}

void QwMatchBuilder::onDemoInfo(std::uint16_t blockNumber, std::span<const std::uint8_t> data) {
    // Numbered pieces 1, 2, ... and a last piece numbered 0; a gap starts over.
    if (blockNumber != 0 && blockNumber != demoInfoBlock_ + 1) {
        demoInfo_.clear();
        demoInfoBlock_ = 0;
        return;
    }
    if (demoInfo_.size() + data.size() > MaxDemoInfo) {
        demoInfo_.clear();
        demoInfoBlock_ = 0;
        return;
    }
    demoInfo_.insert(demoInfo_.end(), data.begin(), data.end());
    demoInfoBlock_ = blockNumber;
    if (blockNumber == 0) {
        const std::string_view text(reinterpret_cast<const char*>(demoInfo_.data()),
                                    demoInfo_.size());
        if (auto stats = ReadKtxStats(text)) {
            stats_ = std::move(stats);
        }
        demoInfo_.clear();
    }
}

void QwMatchBuilder::fillValues(EngineReport& report) const {
    const InfoPairs& info = windowTaken_ ? windowServerInfo_ : serverInfo_;
    if (serverDataSeen_) {
        report.protocol = std::to_string(protocol_);
    }
    if (const auto version = InfoValue(info, "*version"); !version.empty()) {
        report.gameVersion = QuakeLineToUtf8(version);
    }
    if (const auto host = InfoValue(info, "hostname"); !host.empty()) {
        report.serverName = QuakeLineToUtf8(host);
    }
    if (const auto map = InfoValue(info, "map"); !map.empty()) {
        report.map = QuakeLineToUtf8(map);
    } else if (std::string_view file = mapFile_; file.starts_with("maps/")) {
        file.remove_prefix(5);
        if (file.ends_with(".bsp")) {
            file.remove_suffix(4);
        }
        report.map = QuakeLineToUtf8(file);
    }
    if (const auto ktx = InfoValue(info, "ktxver"); !ktx.empty()) {
        report.mod = "KTX " + QuakeLineToUtf8(ktx);
    } else if (!gameDir_.empty()) {
        report.mod = QuakeLineToUtf8(gameDir_);
    }
    auto& rows = report.otherInfo;
    if (serverDataSeen_) {
        rows.emplace_back("Level name", QuakeLineToUtf8(levelName_));
        rows.emplace_back("Game directory", QuakeLineToUtf8(gameDir_));
        if (const auto extensions = ExtensionText(fte_, fte2_, mvd_); !extensions.empty()) {
            rows.emplace_back("Protocol extensions", extensions);
        }
    }
    if (recorderSlot_ && *recorderSlot_ < MaxClients && slots_[*recorderSlot_].occupied) {
        rows.emplace_back("Recorded by", QuakeLineToUtf8(slots_[*recorderSlot_].name) +
                                             (recorderSpectator_ ? " (spectator)" : ""));
    }
    for (const auto& [key, value] : info) {
        rows.emplace_back(QuakeLineToUtf8(key), QuakeLineToUtf8(value));
    }
    if (stats_) {
        rows.insert(rows.end(), stats_->match.begin(), stats_->match.end());
    }
}

void QwMatchBuilder::fillWindowPlayers(EngineReport& report, bool wholeFile) const {
    for (const WindowClient& entry : window_) {
        ReportedPlayer player = entry.player;
        if (wholeFile && entry.facts) {
            const MatchPlayer& facts = match_.players[*entry.facts];
            if (facts.score) {
                player.details.emplace_back("Final frags", std::to_string(*facts.score));
            }
        }
        if (stats_) {
            for (const KtxPlayerStats& stats : stats_->players) {
                if (stats.name == entry.rawName) {
                    player.details.insert(player.details.end(), stats.details.begin(),
                                          stats.details.end());
                    break;
                }
            }
        }
        if (!player.spectator && !player.team.empty() &&
            std::ranges::find(report.teams, player.team) == report.teams.end()) {
            report.teams.push_back(player.team);
        }
        report.players.push_back(std::move(player));
    }
}

void QwMatchBuilder::fillOutcome() {
    const std::string_view mode = InfoValue(windowTaken_ ? windowServerInfo_ : serverInfo_, "mode");
    if (!mode.empty()) {
        match_.gameType = MatchGameType{std::nullopt, QuakeLineToUtf8(mode)};
    } else if (serverDataSeen_) {
        const InfoPairs& info = windowTaken_ ? windowServerInfo_ : serverInfo_;
        if (IsSet(InfoValue(info, "teamplay"))) {
            match_.gameType = MatchGameType{std::nullopt, "teamplay"};
        } else if (IsSet(InfoValue(info, "deathmatch"))) {
            match_.gameType = MatchGameType{std::nullopt, "deathmatch"};
        }
    }
    // Team totals (the sum of the players' frags, as the scoreboard shows).
    std::vector<std::pair<std::string, std::int32_t>> teams;
    bool anyPlayer = false;
    for (const MatchPlayer& player : match_.players) {
        if (!player.score || player.team == "spectator") {
            continue;
        }
        anyPlayer = true;
        if (player.team.empty()) {
            continue;
        }
        auto found =
            std::ranges::find_if(teams, [&](const auto& t) { return t.first == player.team; });
        if (found == teams.end()) {
            teams.emplace_back(player.team, *player.score);
        } else {
            found->second += *player.score;
        }
    }
    if (teams.size() == 2) {
        // Teams named red and blue keep their colour; otherwise the first
        // team is listed as blue, as the window lists it.
        const auto lower = [](std::string text) {
            std::ranges::transform(text, text.begin(), [](unsigned char c) {
                return static_cast<char>(std::tolower(c));
            });
            return text;
        };
        std::size_t blue = 0;
        if (lower(teams[1].first) == "blue" || lower(teams[0].first) == "red") {
            blue = 1;
        }
        match_.teamScores = MatchTeamScores{teams[1 - blue].second, teams[blue].second};
    }
    if (!matchEnded_ || !anyPlayer) {
        return;
    }
    if (!teams.empty()) {
        const auto best =
            std::ranges::max_element(teams, {}, &std::pair<std::string, std::int32_t>::second);
        if (std::ranges::count_if(teams, [&](const auto& t) { return t.second == best->second; }) ==
            1) {
            match_.winner = best->first;
        }
        return;
    }
    const TopScore top = FindTopScore(
        match_.players, [](const MatchPlayer& player) { return player.team != "spectator"; });
    if (top.leader != nullptr && !top.tie) {
        match_.winner = top.leader->name;
    }
}

EngineReport QwMatchBuilder::finish(MatchEnd ended, bool wholeFile) {
    EngineReport report;
    match_.ended = std::move(ended);
    if (!windowTaken_) {
        takeWindow();
    }
    // The window's reading stops at the start: the demo's length is unknown.
    if (firstTimeMs_ && wholeFile) {
        match_.durationMs = timeMs_ - *firstTimeMs_;
    }
    if (demoTime_ && std::isfinite(*demoTime_)) {
        const double first = std::round(static_cast<double>(*demoTime_) * 1000.0);
        constexpr double Max = std::numeric_limits<std::int32_t>::max();
        if (first >= 0 && first <= Max) {
            match_.firstServerTime = static_cast<std::int32_t>(first);
            if (match_.durationMs && first + static_cast<double>(*match_.durationMs) <= Max) {
                match_.lastServerTime =
                    static_cast<std::int32_t>(first + static_cast<double>(*match_.durationMs));
            }
        }
    }
    if (recorderSlot_ && *recorderSlot_ < MaxClients) {
        MatchRecorder recorder;
        recorder.clientNumber = *recorderSlot_;
        for (const WindowClient& entry : window_) {
            if (entry.slot == *recorderSlot_) {
                recorder.name = entry.player.name;
            }
        }
        match_.recorder = recorder;
    }
    fillOutcome();
    fillValues(report);
    fillWindowPlayers(report, wholeFile);
    report.match = std::move(match_);
    return report;
}

} // namespace fenlark::readers::quakeworld

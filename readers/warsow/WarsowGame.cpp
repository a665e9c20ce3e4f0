#include "readers/warsow/WarsowGame.h"

#include "readers/warsow/WarsowCommand.h"
#include "readers/warsow/WarsowText.h"

#include <algorithm>
#include <charconv>

namespace fenlark::readers::warsow {

namespace {

int ToInt(std::string_view word) {
    int value = 0;
    std::from_chars(word.data(), word.data() + word.size(), value);
    return value;
}

// The value of `key` in an info string "\key\value\key\value".
std::string_view InfoValue(std::string_view info, std::string_view key) {
    std::size_t at = 0;
    while (at < info.size()) {
        if (info[at] == '\\') {
            ++at;
        }
        const std::size_t keyEnd = info.find('\\', at);
        if (keyEnd == std::string_view::npos) {
            break;
        }
        const std::size_t valueEnd = std::min(info.find('\\', keyEnd + 1), info.size());
        if (info.substr(at, keyEnd - at) == key) {
            return info.substr(keyEnd + 1, valueEnd - keyEnd - 1);
        }
        at = valueEnd;
    }
    return {};
}

// Display text: colour codes removed, UTF-8.
std::string Shown(std::string_view raw) {
    return WarsowTextToUtf8(StripColourCodes(raw));
}

std::string MapFromModel(std::string_view model) {
    if (model.substr(0, 5) == "maps/") {
        model.remove_prefix(5);
    }
    if (model.size() > 4 && model.substr(model.size() - 4) == ".bsp") {
        model.remove_suffix(4);
    }
    return std::string(model);
}

void AddInfo(EngineReport& report, std::string label, const std::string& raw) {
    if (!raw.empty()) {
        report.otherInfo.emplace_back(std::move(label), Shown(raw));
    }
}

} // namespace

void WarsowGame::begin(int protocol, std::string_view baseGame, std::string_view game,
                       std::string_view levelName, int recorderClient, int frameMs) {
    if (protocol_ != 0) {
        return; // a later level of the same recording: the first one names the demo
    }
    protocol_ = protocol;
    indexes_ = protocol == 10 ? Protocol10Indexes : Protocol12Indexes;
    baseGame_ = baseGame;
    game_ = game;
    levelName_ = levelName;
    recorder_ = recorderClient;
    frameMs_ = frameMs;
}

void WarsowGame::beginFrame(std::uint32_t serverTime) {
    if (!firstServerTime_) {
        firstServerTime_ = serverTime;
    }
    lastServerTime_ = std::max(lastServerTime_, serverTime);
    ++frames_;
}

std::int64_t WarsowGame::now() const {
    return firstServerTime_ ? std::int64_t{lastServerTime_} - *firstServerTime_ : 0;
}

void WarsowGame::command(std::string_view text) {
    const std::vector<std::string_view> words = SplitCommand(text, 512);
    if (words.empty()) {
        return;
    }
    const std::string_view name = words[0];
    if (name == "cs") {
        // Index and value pairs.
        for (std::size_t i = 1; i + 1 < words.size(); i += 2) {
            configString(ToInt(words[i]), words[i + 1]);
        }
    } else if (name == "scb" && words.size() > 1) {
        scoreboard(words[1]);
    } else if ((name == "ch" || name == "tch") && words.size() > 2) {
        chat(words[1], words[2], name == "tch");
    }
}

void WarsowGame::configString(int index, std::string_view value) {
    const ConfigStringIndexes& at = indexes_;
    if (index >= at.playerInfos && index < at.playerInfos + MaxClients) {
        setSlot(index - at.playerInfos, value);
        return;
    }
    const auto set = [&](int wanted, std::string& into) {
        if (index == wanted) {
            into = value;
        }
    };
    set(at.hostname, hostname_);
    set(at.levelTitle, levelTitle_);
    set(at.maxClients, maxClients_);
    set(at.worldModel, worldModel_);
    set(at.gameTypeTitle, gameTypeTitle_);
    set(at.gameTypeName, gameTypeName_);
    set(at.gameTypeVersion, gameTypeVersion_);
    set(at.scoreboardLayout, scoreboardLayout_);
    set(at.scoreboardTitles, scoreboardTitles_);
    set(at.matchName, matchName_);
    if (at.teamNames >= 0 && index >= at.teamNames && index < at.teamNames + 4) {
        teamNames_[static_cast<std::size_t>(index - at.teamNames)] = value;
    }
}

void WarsowGame::setSlot(int client, std::string_view info) {
    Slot& slot = slots_[static_cast<std::size_t>(client)];
    const std::string_view name = InfoValue(info, "name");
    if (name.empty()) {
        if (slot.player) {
            players_[*slot.player].leftMs = now();
            events_.push_back({now(), MatchPlayerEvent::Kind::Leave, client, Shown(slot.name), ""});
        }
        slot = Slot{};
        return;
    }
    if (!slot.player) {
        Player player;
        player.client = client;
        player.name = name;
        player.info = info;
        player.joinedMs = frames_ == 0 ? 0 : now();
        players_.push_back(std::move(player));
        slot = Slot{std::string(name), std::string(info), players_.size() - 1};
        if (frames_ != 0) {
            events_.push_back({now(), MatchPlayerEvent::Kind::Join, client, Shown(name), ""});
        }
        return;
    }
    Player& player = players_[*slot.player];
    if (slot.name != name) {
        events_.push_back(
            {now(), MatchPlayerEvent::Kind::Rename, client, Shown(name), Shown(slot.name)});
        player.name = name;
        slot.name = name;
    }
    player.info = info;
    slot.info = info;
}

void WarsowGame::scoreboard(std::string_view text) {
    ++scoreboards_;
    if (protocol_ == 10) {
        // Its columns depend on the game type and are not described in the
        // demo; only the game type is read.
        if (gameTypeName_.empty()) {
            gameTypeName_ = GameTypeOfOldScoreboard(text);
        }
        return;
    }
    const Scoreboard board = ParseScoreboard(text, scoreboardLayout_, scoreboardTitles_);
    for (const ScoreboardRow& row : board.rows) {
        if (row.client < 0 || row.client >= MaxClients) {
            continue;
        }
        const Slot& slot = slots_[static_cast<std::size_t>(row.client)];
        if (slot.player) {
            players_[*slot.player].row = row;
        }
    }
    teamScores_ = board.teamScores;
}

void WarsowGame::chat(std::string_view who, std::string_view text, bool team) {
    // The sender is client number + 1; 0 is the server console.
    const int number = ToInt(who);
    MatchChatLine line;
    line.timeMs = now();
    line.team = team;
    line.sender = "console";
    if (number > 0 && number <= MaxClients) {
        line.sender = Shown(slots_[static_cast<std::size_t>(number - 1)].name);
        line.senderClientNumber = number - 1;
    }
    line.text = Shown(text);
    chat_.push_back(std::move(line));
}

std::string WarsowGame::teamName(int team) const {
    if (team >= 0 && team < 4 && !teamNames_[static_cast<std::size_t>(team)].empty()) {
        return Shown(teamNames_[static_cast<std::size_t>(team)]);
    }
    return std::to_string(team);
}

void WarsowGame::fillReport(EngineReport& report, bool wholeFile) const {
    report.protocol = std::to_string(protocol_);
    if (!hostname_.empty()) {
        report.serverName = Shown(hostname_);
    }
    if (!worldModel_.empty()) {
        report.map = Shown(MapFromModel(worldModel_));
    }
    report.mod = Shown(game_.empty() ? baseGame_ : game_);
    AddInfo(report, "Base game", baseGame_);
    AddInfo(report, "Level", levelTitle_.empty() ? levelName_ : levelTitle_);
    AddInfo(report, "Gametype title", gameTypeTitle_);
    AddInfo(report, "Gametype", gameTypeName_);
    AddInfo(report, "Gametype version", gameTypeVersion_);
    AddInfo(report, "Match", matchName_);
    AddInfo(report, "Max clients", maxClients_);
    if (frameMs_ > 0) {
        report.otherInfo.emplace_back("Frame time", std::to_string(frameMs_) + " ms");
    }

    const bool teamGame = std::any_of(players_.begin(), players_.end(), [](const Player& p) {
        return p.row && (p.row->team == TeamAlpha || p.row->team == TeamBeta);
    });
    if (teamGame) {
        report.teams = {teamName(TeamAlpha), teamName(TeamBeta)};
    }
    for (const Player& player : players_) {
        ReportedPlayer reported;
        reported.name = Shown(player.name);
        MatchPlayer facts;
        facts.clientNumber = player.client;
        facts.name = reported.name;
        facts.joinedMs = player.joinedMs;
        facts.leftMs = player.leftMs;
        reported.details.emplace_back("Client", std::to_string(player.client));
        reported.details.emplace_back("Name with colours", WarsowTextToUtf8(player.name));
        if (player.row) {
            const ScoreboardRow& row = *player.row;
            reported.spectator = row.spectator || row.team == TeamSpectator;
            if (row.team == TeamAlpha || row.team == TeamBeta) {
                reported.team = teamName(row.team);
            }
            facts.team = teamName(row.team);
            facts.score = row.score;
            for (const auto& column : row.columns) {
                if (!column.second.empty()) {
                    reported.details.push_back(column);
                }
            }
        }
        report.players.push_back(std::move(reported));
        report.match.players.push_back(std::move(facts));
    }

    if (recorder_ >= 0 && recorder_ < MaxClients) {
        const auto first = std::find_if(players_.begin(), players_.end(),
                                        [&](const Player& p) { return p.client == recorder_; });
        const std::string name = first != players_.end() ? Shown(first->name) : "";
        report.match.recorder = MatchRecorder{recorder_, name};
        if (!name.empty()) {
            report.otherInfo.emplace_back("Recorded by", name);
        }
    }
    if (!gameTypeName_.empty()) {
        report.match.gameType = MatchGameType{std::nullopt, Shown(gameTypeName_)};
    }
    if (demoDurationMs_ && *demoDurationMs_ > 0) {
        report.match.durationMs = *demoDurationMs_;
    } else if (frames_ > 0 && wholeFile) {
        report.match.durationMs = now();
    }
    if (firstServerTime_ && wholeFile) {
        report.match.firstServerTime = static_cast<std::int32_t>(*firstServerTime_);
        report.match.lastServerTime = static_cast<std::int32_t>(lastServerTime_);
    }
    if (teamGame && teamScores_.count(TeamAlpha) != 0 && teamScores_.count(TeamBeta) != 0) {
        // The first team goes to blue, the second to red.
        report.match.teamScores =
            MatchTeamScores{teamScores_.at(TeamBeta), teamScores_.at(TeamAlpha)};
    }
    report.match.playerEvents = events_;
    report.match.chat = chat_;
}

} // namespace fenlark::readers::warsow

#include "readers/quake2/Quake2Game.h"

#include "readers/quake2/QuakeText.h"

#include <algorithm>
#include <charconv>

namespace fenlark::readers::quake2 {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The game's own announcements that a match is over: from then on the frag
// counts belong to the next warm-up, not to the match.
bool AnnouncesMatchEnd(std::string_view text) {
    return text.find("Match ended.") != std::string_view::npos || text == "Fraglimit hit.\n" ||
           text == "Timelimit hit.\n";
}

bool IsPlayingMovement(int pmType) {
    return pmType == PmNormal || pmType == PmDead || pmType == PmGib;
}

void AddDetail(ReportedPlayer& player, std::string label, std::string value) {
    if (!value.empty()) {
        player.details.emplace_back(std::move(label), std::move(value));
    }
}

} // namespace

std::string MapFromModel(std::string_view model) {
    if (StartsWith(model, "maps/")) {
        model.remove_prefix(5);
    }
    if (model.size() > 4 && model.substr(model.size() - 4) == ".bsp") {
        model.remove_suffix(4);
    }
    return std::string(model);
}

void Quake2Game::beginLevel(std::string_view gameDirectory, std::string_view levelName,
                            int recorderClient, const ConfigStringLayout& layout) {
    layout_ = layout;
    if (levels_++ == 0) {
        gameDirectory_ = gameDirectory;
        levelName_ = levelName;
        recorder_ = recorderClient;
    }
}

void Quake2Game::beginFrame(std::int64_t ms) {
    timeMs_ = ms;
    ++frames_;
    if (!matchEnded_) {
        ++matchFrames_;
    }
}

void Quake2Game::configString(int index, std::string_view value) {
    if (index == CsName) {
        if (levels_ <= 1 && !value.empty()) {
            levelName_ = value;
        }
    } else if (index == layout_.maxClients) {
        if (levels_ <= 1) {
            maxClients_ = value;
        }
    } else if (index == layout_.models + 1) {
        if (mapModel_.empty()) {
            mapModel_ = value;
        }
    } else if (index >= layout_.playerSkins && index < layout_.playerSkins + MaxClients) {
        setSlot(index - layout_.playerSkins, value);
    }
}

void Quake2Game::setSlot(int client, std::string_view value) {
    Slot& slot = slots_[static_cast<std::size_t>(client)];
    const std::size_t separator = value.find('\\');
    const std::string_view name = value.substr(0, separator);
    const std::string_view skin =
        separator == std::string_view::npos ? std::string_view{} : value.substr(separator + 1);

    if (name.empty()) {
        // A free slot: whoever was in it has left.
        if (slot.player && !slot.leaving) {
            players_[*slot.player].leftMs = timeMs_;
            events_.push_back(
                {timeMs_, MatchPlayerEvent::Kind::Leave, client, QuakeTextToUtf8(slot.name), ""});
        }
        slot = Slot{};
        return;
    }
    if (!slot.player || slot.leaving) {
        // A new player: present from the start when named before the first frame.
        Player player;
        player.client = client;
        player.name = name;
        player.skin = skin;
        player.joinedMs = frames_ == 0 ? 0 : timeMs_;
        players_.push_back(std::move(player));
        slot = Slot{std::string(name), std::string(skin), players_.size() - 1, false};
        if (frames_ != 0) {
            events_.push_back(
                {timeMs_, MatchPlayerEvent::Kind::Join, client, QuakeTextToUtf8(name), ""});
        }
        return;
    }
    Player& player = players_[*slot.player];
    if (slot.name != name) {
        events_.push_back({timeMs_, MatchPlayerEvent::Kind::Rename, client, QuakeTextToUtf8(name),
                           QuakeTextToUtf8(slot.name)});
        player.name = name;
        slot.name = name;
    }
    player.skin = skin;
    slot.skin = skin;
}

void Quake2Game::print(int level, std::string_view text) {
    if (level == PrintChat) {
        addChat(text);
        return;
    }
    if (level != PrintHigh) {
        return;
    }
    if (AnnouncesMatchEnd(text)) {
        matchEnded_ = true;
        return;
    }
    // "<name> disconnected": the slot's configstring may stay until the
    // next player takes the slot, so the announcement marks the leave.
    constexpr std::string_view Disconnected = " disconnected\n";
    if (text.size() <= Disconnected.size() ||
        text.substr(text.size() - Disconnected.size()) != Disconnected) {
        return;
    }
    const std::string_view name = text.substr(0, text.size() - Disconnected.size());
    for (std::size_t client = 0; client < slots_.size(); ++client) {
        Slot& slot = slots_[client];
        if (slot.player && !slot.leaving && slot.name == name) {
            slot.leaving = true;
            players_[*slot.player].leftMs = timeMs_;
            events_.push_back({timeMs_, MatchPlayerEvent::Kind::Leave,
                               static_cast<std::int32_t>(client), QuakeTextToUtf8(name), ""});
            break;
        }
    }
}

void Quake2Game::addChat(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    // "name: text" to everybody, "(name): text" to the team. The sender is
    // the longest current player name that fits, since names may hold ": ".
    std::string_view best;
    bool team = false;
    for (const Slot& slot : slots_) {
        const std::string_view name = slot.name;
        if (name.empty() || name.size() <= best.size()) {
            continue;
        }
        if (StartsWith(line, name) && StartsWith(line.substr(name.size()), ": ")) {
            best = name;
            team = false;
        } else if (line.size() > name.size() + 1 && line.front() == '(' &&
                   StartsWith(line.substr(1), name) &&
                   StartsWith(line.substr(name.size() + 1), "): ")) {
            best = name;
            team = true;
        }
    }
    std::size_t textStart = 0;
    std::string_view sender;
    if (!best.empty()) {
        sender = best;
        textStart = best.size() + (team ? 4 : 2);
    } else {
        // Someone not (or no longer) listed, or the server console.
        const std::size_t colon = line.find(": ");
        if (colon == std::string_view::npos || colon == 0) {
            return; // a notice at chat level, not a line someone said
        }
        sender = line.substr(0, colon);
        team = sender.size() > 2 && sender.front() == '(' && sender.back() == ')';
        if (team) {
            sender = sender.substr(1, sender.size() - 2);
        }
        textStart = colon + 2;
    }
    MatchChatLine chat;
    chat.timeMs = timeMs_;
    chat.team = team;
    chat.sender = QuakeTextToUtf8(sender);
    chat.text = QuakeTextToUtf8(line.substr(textStart));
    chat_.push_back(std::move(chat));
}

void Quake2Game::layoutText(std::string_view text) {
    if (levels_ > 1 || text.find("client ") == std::string_view::npos) {
        return; // a later level's scores are not this match's; or no scoreboard
    }
    // Words separated by blanks; "client x y number score ping minutes" is
    // one row of the base game's scoreboard.
    std::vector<std::string_view> words;
    for (std::size_t at = 0; at < text.size();) {
        while (at < text.size() && static_cast<unsigned char>(text[at]) <= ' ') {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && static_cast<unsigned char>(text[at]) > ' ') {
            ++at;
        }
        if (at > start) {
            words.push_back(text.substr(start, at - start));
        }
    }
    const auto number = [](std::string_view word) -> std::optional<int> {
        int value = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        return error == std::errc{} && end == word.data() + word.size() ? std::optional(value)
                                                                        : std::nullopt;
    };
    for (std::size_t i = 0; i + 6 < words.size(); ++i) {
        if (words[i] != "client") {
            continue;
        }
        const auto client = number(words[i + 3]);
        const auto score = number(words[i + 4]);
        if (!client || !score || *client < 0 || *client >= MaxClients) {
            continue;
        }
        const Slot& slot = slots_[static_cast<std::size_t>(*client)];
        if (slot.player) {
            players_[*slot.player].scoreboardScore = *score;
            players_[*slot.player].scoreboardMs = timeMs_;
        }
    }
}

void Quake2Game::playing(int client, const PlayerState& state) {
    if (matchEnded_ || client < 0 || client >= MaxClients || state.pmType == PmSpectator) {
        return;
    }
    const Slot& slot = slots_[static_cast<std::size_t>(client)];
    if (!slot.player) {
        return;
    }
    Player& player = players_[*slot.player];
    ++player.framesPlayed;
    player.frags = state.stats[StatFrags];
    player.fragsMs = timeMs_;
}

void Quake2Game::recorderState(const PlayerState& state) {
    // A spectator, or a player following someone else's view, shows the
    // other player's frags; only the recorder's own play counts.
    if (IsPlayingMovement(state.pmType) && state.stats[StatChase] == 0) {
        playing(recorder_, state);
    }
}

// In play for a second at least (or in every frame of a shorter match): a
// client that spawns and at once turns observer, as some mods have arriving
// players do, did not play.
bool Quake2Game::played(const Player& player) const {
    constexpr std::int64_t OneSecondOfFrames = 10;
    return player.framesPlayed > 0 &&
           player.framesPlayed >= std::min(OneSecondOfFrames, matchFrames_);
}

void Quake2Game::fillReport(EngineReport& report) const {
    report.mod = QuakeTextToUtf8(gameDirectory_.empty() ? "baseq2" : gameDirectory_);
    if (!mapModel_.empty()) {
        report.map = QuakeTextToUtf8(MapFromModel(mapModel_));
    }
    if (!levelName_.empty()) {
        report.otherInfo.emplace_back("Level", QuakeTextToUtf8(levelName_));
    }
    if (!maxClients_.empty()) {
        report.otherInfo.emplace_back("Max clients", QuakeTextToUtf8(maxClients_));
    }
    if (recorder_ >= 0 && recorder_ < MaxClients) {
        const auto first = std::find_if(players_.begin(), players_.end(),
                                        [&](const Player& p) { return p.client == recorder_; });
        const std::string name = first != players_.end() ? QuakeTextToUtf8(first->name) : "";
        report.otherInfo.emplace_back(view_ == View::Multi ? "Observer client" : "Recorded by",
                                      name.empty() ? std::to_string(recorder_) : name);
        report.match.recorder = MatchRecorder{recorder_, name};
    }

    // Spectators are known from play: in a multi-view demo every playing
    // client's state is there, in a single view only the recorder's.
    const bool framesRead = frames_ > 0;
    for (const Player& player : players_) {
        const bool isRecorder = player.client == recorder_;
        const bool inPlay = played(player);
        bool spectator = false;
        if (view_ == View::Multi) {
            spectator = isRecorder || (framesRead && !inPlay);
        } else {
            spectator = isRecorder && framesRead && !inPlay;
        }
        // The later of the scoreboard the game last showed and the frags of
        // the player states (which stop at the match end).
        std::optional<std::int32_t> frags = inPlay ? player.frags : std::nullopt;
        if (player.scoreboardScore && (!frags || player.scoreboardMs >= player.fragsMs)) {
            frags = player.scoreboardScore;
        }
        const std::string name = QuakeTextToUtf8(player.name);

        ReportedPlayer reported;
        reported.name = name;
        reported.spectator = spectator;
        AddDetail(reported, "Client", std::to_string(player.client));
        const std::size_t slash = player.skin.find('/');
        AddDetail(reported, "Model", QuakeTextToUtf8(player.skin.substr(0, slash)));
        if (slash != std::string::npos) {
            AddDetail(reported, "Skin", QuakeTextToUtf8(player.skin.substr(slash + 1)));
        }
        if (frags) {
            AddDetail(reported, "Frags", std::to_string(*frags));
        }
        report.players.push_back(std::move(reported));

        MatchPlayer facts;
        facts.clientNumber = player.client;
        facts.name = name;
        facts.team = spectator ? "spectator" : "";
        facts.score = frags;
        facts.joinedMs = player.joinedMs;
        facts.leftMs = player.leftMs;
        report.match.players.push_back(std::move(facts));
    }
    report.match.playerEvents = events_;
    report.match.chat = chat_;
}

} // namespace fenlark::readers::quake2

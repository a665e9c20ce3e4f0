#include "q3match/MatchVisitor.h"

#include "core/TopScorer.h"

#include "q3match/ChatLine.h"
#include "q3match/DisplayText.h"
#include "q3match/InfoString.h"
#include "q3match/ScoreCommands.h"

#include <algorithm>

namespace fenlark::q3match {

namespace {

constexpr int ServerInfoIndex = 0;
constexpr int Scores1Index = 6;
constexpr int Scores2Index = 7;
constexpr int CpmaGameInfoIndex = 672;
constexpr std::size_t MaxBigConfigstring = 8191;

} // namespace

MatchVisitor::MatchVisitor(const demoreader::DemoReader& reader)
    : reader_(reader), protocol_(reader.protocol()), codedMessages_(!protocol_.oldFormat),
      rules_(RulesFor(protocol_.number, "")), roster_(facts_),
      tracker_(protocol_, rules_.entityEvents) {}

std::int64_t MatchVisitor::nowMs() const {
    return firstServerTime_ ? std::int64_t{lastServerTime_} - *firstServerTime_ : 0;
}

void MatchVisitor::gamestateBegin(std::int32_t commandSequence) {
    markFacts();
    inGamestate_ = true;
    lastCommand_ = commandSequence;
    haveLastCommand_ = true;
    serverInfo_.clear();
    scores1_.reset();
    scores2_.reset();
    cpmaGameInfo_.clear();
    for (std::string& player : gamestatePlayers_) {
        player.clear();
    }
    bigIndex_ = -1;
    tracker_.reset();
}

void MatchVisitor::configstring(std::int32_t index, std::string_view text) {
    const int player = index - rules_.playerConfigstrings;
    if (player >= 0 && player < PlayerRoster::MaxClients) {
        gamestatePlayers_[static_cast<std::size_t>(player)] = text;
        return;
    }
    switch (index) {
    case ServerInfoIndex:
        serverInfo_ = text;
        break;
    case Scores1Index:
        scores1_ = ParseNumber(text);
        break;
    case Scores2Index:
        scores2_ = ParseNumber(text);
        break;
    case CpmaGameInfoIndex:
        cpmaGameInfo_ = text;
        break;
    default:
        break;
    }
}

void MatchVisitor::baseline(bool ok) {
    if (!ok) {
        noteDamage("a baseline cannot be decoded");
    }
}

void MatchVisitor::gamestateEnd(std::int32_t clientNumber, std::int32_t /*checksumFeed*/) {
    // The old formats carry no client number; the reader gives 0 for it.
    finishGamestate(protocol_.oldFormat ? std::nullopt : std::optional<std::int32_t>(clientNumber));
}

void MatchVisitor::finishGamestate(std::optional<std::int32_t> clientNumber) {
    inGamestate_ = false;
    ++gamestates_;
    updateRules();
    roster_.setUtf8(rules_.utf8Text);
    const bool announce = gamestates_ > 1;
    for (int client = 0; client < PlayerRoster::MaxClients; ++client) {
        roster_.update(client, gamestatePlayers_[static_cast<std::size_t>(client)], nowMs(),
                       announce);
    }
    if (gamestates_ == 1 && clientNumber && *clientNumber >= 0 &&
        *clientNumber < PlayerRoster::MaxClients) {
        facts_.recorder = MatchRecorder{*clientNumber, roster_.name(*clientNumber)};
    }
    updateTeamScores();
}

void MatchVisitor::updateRules() {
    rules_ = RulesFor(protocol_.number, serverInfo_);
    gameTypeNumber_ = InfoNumber(serverInfo_, "g_gametype");
    if (gameTypeNumber_) {
        facts_.gameType =
            MatchGameType{*gameTypeNumber_, GameTypeName(rules_.game, *gameTypeNumber_)};
    } else {
        facts_.gameType.reset();
    }
}

void MatchVisitor::updateTeamScores() {
    if (!gameTypeNumber_ || IsTeamGameType(rules_.game, *gameTypeNumber_) != true) {
        facts_.teamScores.reset();
        return;
    }
    std::optional<std::int32_t> red = scores1_;
    std::optional<std::int32_t> blue = scores2_;
    if (rules_.game == Game::Cpma) {
        red = InfoNumber(cpmaGameInfo_, "sr");
        blue = InfoNumber(cpmaGameInfo_, "sb");
    }
    if (red && blue) {
        facts_.teamScores = MatchTeamScores{*red, *blue};
    }
}

void MatchVisitor::applyConfigstring(int index, std::string_view text, bool announce) {
    const int player = index - rules_.playerConfigstrings;
    if (player >= 0 && player < PlayerRoster::MaxClients) {
        roster_.update(player, text, nowMs(), announce);
        return;
    }
    switch (index) {
    case ServerInfoIndex:
        serverInfo_ = text;
        updateRules();
        break;
    case Scores1Index:
        scores1_ = ParseNumber(text);
        break;
    case Scores2Index:
        scores2_ = ParseNumber(text);
        break;
    case CpmaGameInfoIndex:
        cpmaGameInfo_ = text;
        break;
    default:
        return;
    }
    updateTeamScores();
}

void MatchVisitor::serverCommand(std::int32_t sequence, std::string_view text) {
    if (haveLastCommand_ && sequence <= lastCommand_) {
        return; // a command already executed, sent again
    }
    haveLastCommand_ = true;
    lastCommand_ = sequence;
    markFacts();
    executeCommand(text);
}

void MatchVisitor::executeCommand(std::string_view text) {
    tokens_.tokenize(text);
    const std::string_view name = tokens_[0];
    if (name == "cs") {
        if (const auto index = ParseNumber(tokens_[1])) {
            applyConfigstring(*index, tokens_.joinFrom(2), true);
        }
        return;
    }
    if (name == "bcs0") {
        bigIndex_ = ParseNumber(tokens_[1]).value_or(-1);
        bigText_ = tokens_[2];
        return;
    }
    if (name == "bcs1" || name == "bcs2") {
        if (bigIndex_ < 0) {
            return;
        }
        bigText_ += tokens_[1];
        if (bigText_.size() > MaxBigConfigstring) {
            bigText_.resize(MaxBigConfigstring);
        }
        if (name == "bcs2") {
            applyConfigstring(bigIndex_, bigText_, true);
            bigIndex_ = -1;
        }
        return;
    }
    if (name == "print") {
        const std::string_view line = tokens_[1];
        const std::size_t captured = line.find(" captured the ");
        if (captured != std::string_view::npos) {
            capturePrint_ = DisplayText(line.substr(0, captured), rules_.utf8Text);
            capturePrintMessage_ = reader_.messageCount();
        }
        return;
    }
    if (auto chat = ReadChatLine(tokens_, rules_)) {
        MatchChatLine line;
        line.timeMs = nowMs();
        line.team = chat->team;
        line.senderClientNumber = chat->senderClient;
        if (chat->senderClient && roster_.present(*chat->senderClient)) {
            line.sender = roster_.name(*chat->senderClient);
        } else {
            line.sender = DisplayText(chat->sender, rules_.utf8Text);
        }
        line.text = DisplayText(chat->text, rules_.utf8Text);
        facts_.chat.push_back(std::move(line));
        return;
    }
    if (auto board = ReadScoreBoard(tokens_, protocol_.number, rules_.game)) {
        for (const ClientScore& score : board->scores) {
            roster_.setScore(score.clientNumber, score.score);
        }
        if (board->red && board->blue && gameTypeNumber_ &&
            IsTeamGameType(rules_.game, *gameTypeNumber_) == true) {
            scores1_ = board->red;
            scores2_ = board->blue;
            updateTeamScores();
        }
    }
}

void MatchVisitor::damagedSnapshot() {
    tracker_.endSnapshot(false);
    messageSnapshotTime_.reset();
    noteDamage("a snapshot cannot be decoded");
}

void MatchVisitor::handleEvents() {
    for (const TrackedEntity& entity : tracker_.newEvents()) {
        const EntityState& state = entity.state;
        const int event = state.eType() - rules_.entityEvents;
        if (event == rules_.obituaryEvent) {
            const int victim = state.otherEntityNum();
            const int killer = state.otherEntityNum2();
            if (victim >= PlayerRoster::MaxClients) {
                continue;
            }
            MatchFrag frag;
            frag.timeMs = nowMs();
            frag.victim = roster_.name(victim);
            frag.victimClientNumber = victim;
            if (killer < PlayerRoster::MaxClients) {
                frag.killer = roster_.name(killer);
                frag.killerClientNumber = killer;
            }
            frag.meansNumber = state.eventParm();
            frag.means = MeansOfDeathName(rules_.game, state.eventParm());
            if (frag.means.empty()) {
                frag.means = std::to_string(state.eventParm());
            }
            facts_.frags.push_back(std::move(frag));
        } else if (rules_.globalTeamSoundEvent && event == *rules_.globalTeamSoundEvent &&
                   (state.eventParm() == RedCaptureSound ||
                    state.eventParm() == BlueCaptureSound)) {
            MatchScoringEvent capture;
            capture.timeMs = nowMs();
            capture.kind = "capture";
            // CPMA names the team whose flag was taken rather than the team
            // that scored.
            const bool red = (state.eventParm() == RedCaptureSound) != (rules_.game == Game::Cpma);
            capture.team = red ? "red" : "blue";
            // The capture's announcement comes with the same server frame.
            if (!capturePrint_.empty() && reader_.messageCount() <= capturePrintMessage_ + 1) {
                capture.player = capturePrint_;
            }
            capturePrint_.clear();
            facts_.scoringEvents.push_back(std::move(capture));
        }
    }
}

void MatchVisitor::illegal(demoreader::WalkEnd where, std::int32_t operation) {
    if (!damage_) {
        damage_ =
            (where == demoreader::WalkEnd::IllegalGamestateContent ? "illegal byte in a gamestate: "
                                                                   : "illegal operation byte: ") +
            std::to_string(operation);
    }
}

void MatchVisitor::noteDamage(const char* what) {
    if (!damage_) {
        damage_ = what;
    }
}

// Facts from the server commands of a message take the time of the
// message's snapshot.
void MatchVisitor::stampMessage() {
    if (!messageSnapshotTime_ || !firstServerTime_) {
        roster_.stamps().clear();
        return;
    }
    const std::int64_t timeMs = std::int64_t{*messageSnapshotTime_} - *firstServerTime_;
    for (std::size_t i = chatMark_; i < facts_.chat.size(); ++i) {
        facts_.chat[i].timeMs = timeMs;
    }
    for (std::size_t i = eventMark_; i < facts_.playerEvents.size(); ++i) {
        facts_.playerEvents[i].timeMs = timeMs;
    }
    for (const PlayerRoster::Stamp& stamp : roster_.stamps()) {
        if (stamp.joined) {
            facts_.players[stamp.entry].joinedMs = timeMs;
        } else {
            facts_.players[stamp.entry].leftMs = timeMs;
        }
    }
    roster_.stamps().clear();
}

void MatchVisitor::decideWinner() {
    facts_.winner.reset();
    if (facts_.teamScores) {
        if (facts_.teamScores->red != facts_.teamScores->blue) {
            facts_.winner = facts_.teamScores->red > facts_.teamScores->blue ? "red" : "blue";
        }
        return;
    }
    if (!gameTypeNumber_ || IsTeamGameType(rules_.game, *gameTypeNumber_) != false) {
        return;
    }
    // Every player still in the game at the end needs a known score.
    const TopScore top = FindTopScore(facts_.players, [](const MatchPlayer& player) {
        return !player.leftMs && player.team == TeamName(0);
    });
    if (top.unscored == 0 && top.scored >= 2 && !top.tie) {
        facts_.winner = top.leader->name;
    }
}

MatchFacts MatchVisitor::finish(MatchEnd ended) {
    if (inGamestate_) {
        finishGamestate(std::nullopt);
    }
    if (firstServerTime_) {
        facts_.firstServerTime = firstServerTime_;
        facts_.lastServerTime = lastServerTime_;
        facts_.durationMs = std::int64_t{lastServerTime_} - *firstServerTime_;
    }
    if (facts_.recorder && facts_.recorder->clientNumber) {
        const std::int32_t recorder = *facts_.recorder->clientNumber;
        facts_.recorder->name = roster_.name(recorder);
        // The player state is the recording player's own while he plays
        // (a spectator's is the followed player's, whose number the analysis
        // leaves alone: reading it would cost every player field its value).
        // It changes with every frag, so at the end it is the latest score.
        const std::optional<std::int16_t> playerStateScore = tracker_.score();
        if (playerStateScore && roster_.team(recorder) != static_cast<int>(Team::Spectator)) {
            roster_.setScore(recorder, *playerStateScore);
        }
    }
    decideWinner();
    facts_.ended = std::move(ended);
    return std::move(facts_);
}

} // namespace fenlark::q3match

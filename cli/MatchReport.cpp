#include "cli/MatchReport.h"

#include <sstream>

namespace fenlark::cli {

namespace {

template <class Number> void NumberOrNull(JsonWriter& json, const std::optional<Number>& value) {
    if (value) {
        json.number(static_cast<std::int64_t>(*value));
    } else {
        json.null();
    }
}

void WriteRecorder(JsonWriter& json, const std::optional<MatchRecorder>& recorder) {
    if (!recorder) {
        json.null();
        return;
    }
    json.beginObject();
    json.key("clientNumber");
    NumberOrNull(json, recorder->clientNumber);
    json.key("name");
    json.string(recorder->name);
    json.endObject();
}

void WriteGameType(JsonWriter& json, const std::optional<MatchGameType>& gameType) {
    if (!gameType) {
        json.null();
        return;
    }
    json.beginObject();
    json.key("number");
    NumberOrNull(json, gameType->number);
    json.key("name");
    if (gameType->name.empty()) {
        json.null();
    } else {
        json.string(gameType->name);
    }
    json.endObject();
}

void WritePlayers(JsonWriter& json, const std::vector<MatchPlayer>& players) {
    json.beginArray();
    for (const MatchPlayer& player : players) {
        json.beginObject();
        json.key("clientNumber");
        NumberOrNull(json, player.clientNumber);
        json.key("name");
        json.string(player.name);
        json.key("team");
        json.string(player.team);
        json.key("score");
        NumberOrNull(json, player.score);
        json.key("joinedMs");
        json.number(player.joinedMs);
        json.key("leftMs");
        NumberOrNull(json, player.leftMs);
        json.endObject();
    }
    json.endArray();
}

void WriteChat(JsonWriter& json, const std::vector<MatchChatLine>& chat) {
    json.beginArray();
    for (const MatchChatLine& line : chat) {
        json.beginObject();
        json.key("timeMs");
        json.number(line.timeMs);
        json.key("team");
        json.boolean(line.team);
        json.key("sender");
        json.string(line.sender);
        json.key("text");
        json.string(line.text);
        json.endObject();
    }
    json.endArray();
}

void WriteFrags(JsonWriter& json, const std::vector<MatchFrag>& frags) {
    json.beginArray();
    for (const MatchFrag& frag : frags) {
        json.beginObject();
        json.key("timeMs");
        json.number(frag.timeMs);
        json.key("killer");
        json.string(frag.killer);
        json.key("victim");
        json.string(frag.victim);
        json.key("means");
        json.string(frag.means);
        json.endObject();
    }
    json.endArray();
}

std::string Duration(std::int64_t ms) {
    constexpr std::int64_t MsPerSecond = 1000;
    constexpr std::int64_t SecondsPerMinute = 60;
    const std::int64_t seconds = ms / MsPerSecond;
    std::ostringstream out;
    out << seconds / SecondsPerMinute << ':' << (seconds % SecondsPerMinute < 10 ? "0" : "")
        << seconds % SecondsPerMinute << '.' << (ms % MsPerSecond) / 100;
    return out.str();
}

} // namespace

void WriteMatch(JsonWriter& json, const std::optional<MatchFacts>& facts) {
    if (!facts) {
        json.null();
        return;
    }
    json.beginObject();
    json.key("durationMs");
    NumberOrNull(json, facts->durationMs);
    json.key("firstServerTime");
    NumberOrNull(json, facts->firstServerTime);
    json.key("lastServerTime");
    NumberOrNull(json, facts->lastServerTime);
    json.key("recorder");
    WriteRecorder(json, facts->recorder);
    json.key("gameType");
    WriteGameType(json, facts->gameType);
    json.key("players");
    WritePlayers(json, facts->players);
    json.key("teamScores");
    if (facts->teamScores) {
        json.beginObject();
        json.key("red");
        json.number(facts->teamScores->red);
        json.key("blue");
        json.number(facts->teamScores->blue);
        json.endObject();
    } else {
        json.null();
    }
    json.key("winner");
    if (facts->winner) {
        json.string(*facts->winner);
    } else {
        json.null();
    }
    json.key("chat");
    WriteChat(json, facts->chat);
    json.key("frags");
    WriteFrags(json, facts->frags);
    json.key("ended");
    json.beginObject();
    json.key("reason");
    json.string(facts->ended.reason);
    json.key("messagesRead");
    json.number(static_cast<std::int64_t>(facts->ended.messagesRead));
    json.endObject();
    json.endObject();
}

std::string MatchText(const std::optional<MatchFacts>& facts) {
    std::ostringstream out;
    out << "Match:\n";
    if (!facts) {
        out << "  no match analysis for this demo\n";
        return out.str();
    }
    if (facts->durationMs) {
        out << "  Duration:     " << Duration(*facts->durationMs) << '\n';
    }
    if (facts->recorder) {
        out << "  Recorded by:  " << facts->recorder->name << '\n';
    }
    if (facts->gameType && !facts->gameType->name.empty()) {
        out << "  Game type:    " << facts->gameType->name << '\n';
    }
    if (facts->teamScores) {
        out << "  Score:        red " << facts->teamScores->red << ", blue "
            << facts->teamScores->blue << '\n';
    }
    if (facts->winner) {
        out << "  Winner:       " << *facts->winner << '\n';
    }
    out << "  Players:      " << facts->players.size() << ", chat lines: " << facts->chat.size()
        << ", frags: " << facts->frags.size() << '\n';
    out << "  Reading ended: " << facts->ended.reason << " after " << facts->ended.messagesRead
        << " messages\n";
    return out.str();
}

} // namespace fenlark::cli

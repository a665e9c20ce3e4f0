// The QuakeWorld reader on the real MVDs of the shared demo folder. The
// expected players come from the files' own user info strings (hex dump),
// the scores from the statistics the KTX server stored in two of them and
// from its "//finalscores" line in the third.

#include "readers/quakeworld/QuakeWorldReader.h"
#include "tests/readers/quakeworld/QwDemoWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

namespace fenlark::readers {
namespace {

using testing::Detail;
using testing::FindPlayer;

std::filesystem::path Demo(const char* name) {
    return std::filesystem::path(FENLARK_SHARED_DEMOS) / "qw_mvd" / name;
}

EngineReport ReadFile(const std::filesystem::path& path, ReadDepth depth) {
    auto source = FileSource::open(path.string());
    EXPECT_NE(source, nullptr);
    return source ? ReadQuakeWorldMvd(*source, depth) : EngineReport{};
}

#define SKIP_WITHOUT(path)                                                                         \
    if (!std::filesystem::exists(path)) {                                                          \
        GTEST_SKIP() << "no " << (path);                                                           \
    }

std::map<std::string, std::int32_t> Scores(const MatchFacts& match) {
    std::map<std::string, std::int32_t> scores;
    for (const MatchPlayer& player : match.players) {
        if (player.score) {
            scores[player.name] = *player.score;
        }
    }
    return scores;
}

std::vector<std::string> Names(const EngineReport& report, bool spectators) {
    std::vector<std::string> names;
    for (const ReportedPlayer& player : report.players) {
        if (player.spectator == spectators) {
            names.push_back(player.name);
        }
    }
    return names;
}

TEST(RealMvd, FreeForAllWithServerStatistics) {
    const auto path = Demo("ffa_5[dm4]20240501-1229.mvd");
    SKIP_WITHOUT(path);
    const EngineReport report = ReadFile(path, ReadDepth::WholeFile);
    EXPECT_EQ(report.protocol, "28");
    EXPECT_EQ(report.map, "dm4");
    EXPECT_EQ(report.serverName, "QUAKE.SE KTX:28505");
    EXPECT_EQ(report.gameVersion, "MVDSV 0.36");
    EXPECT_EQ(report.mod, "KTX 1.42");
    EXPECT_EQ(Names(report, false),
              (std::vector<std::string>{"test", "/ bro", "/ goldenboy", "/ tincan", "/ grue"}));
    // The third spectator's name ends in three gold letters.
    EXPECT_EQ(Names(report, true), (std::vector<std::string>{"[ServeMe]", "nig.........axe", "Z"}));
    EXPECT_TRUE(report.teams.empty()); // no teamplay: the players have no team
    const MatchFacts& match = report.match;
    EXPECT_EQ(match.durationMs, 74295);
    EXPECT_EQ(match.ended.reason, "end marker");
    EXPECT_EQ(match.ended.byteOffset, 550928u); // the svc_disconnect of the last record
    ASSERT_TRUE(match.gameType);
    EXPECT_EQ(match.gameType->name, "ffa");
    EXPECT_EQ(Scores(match),
              (std::map<std::string, std::int32_t>{
                  {"test", 4}, {"/ bro", 6}, {"/ goldenboy", 5}, {"/ tincan", 8}, {"/ grue", 6}}));
    EXPECT_EQ(match.winner, "/ tincan");
    // "test" left at the very end; the server cleared his frags as he went.
    const auto test = std::ranges::find(match.players, "test", &MatchPlayer::name);
    ASSERT_NE(test, match.players.end());
    EXPECT_EQ(test->leftMs, 74295);

    // Every death the obituaries tell matches the server's own count, and
    // each score is the kills less suicides and deaths by the world.
    for (const ReportedPlayer& player : report.players) {
        if (player.spectator) {
            continue;
        }
        const auto deaths = std::ranges::count(match.frags, player.name, &MatchFrag::victim);
        EXPECT_EQ(std::to_string(deaths), Detail(player, "Deaths")) << player.name;
        std::int32_t score = 0;
        for (const MatchFrag& frag : match.frags) {
            if (frag.killer == player.name && frag.victim != player.name) {
                ++score;
            } else if (frag.victim == player.name &&
                       (frag.killer.empty() || frag.killer == player.name)) {
                --score;
            }
        }
        EXPECT_EQ(std::to_string(score), Detail(player, "Frags (server statistics)"))
            << player.name;
        EXPECT_EQ(std::to_string(score), Detail(player, "Final frags")) << player.name;
    }
    EXPECT_TRUE(match.chat.empty());
}

TEST(RealMvd, TwoTeamsWithoutExtensionBlock) {
    const auto path = Demo("2on2_sf_vs_red[frobodm2]220104-0915.mvd");
    SKIP_WITHOUT(path);
    const EngineReport report = ReadFile(path, ReadDepth::WholeFile);
    EXPECT_EQ(report.map, "frobodm2");
    EXPECT_EQ(report.serverName, "Dybbuk Gehenna #3");
    EXPECT_EQ(report.gameVersion, "MVDSV 0.33");
    EXPECT_EQ(report.teams, (std::vector<std::string>{"=SF=", "red"}));
    const ReportedPlayer* timber = FindPlayer(report, ": Timber");
    ASSERT_NE(timber, nullptr);
    EXPECT_EQ(timber->team, "red");
    EXPECT_EQ(Detail(*timber, "Bot"), "yes");
    EXPECT_EQ(Names(report, true), (std::vector<std::string>{"[ServeMe]"}));
    const MatchFacts& match = report.match;
    EXPECT_EQ(match.durationMs, 202743);
    EXPECT_EQ(match.ended.reason, "end marker");
    // The server's last word: //finalscores ... "=SF=" -5 "red" 20
    ASSERT_TRUE(match.teamScores);
    EXPECT_EQ(match.teamScores->red, 20);
    EXPECT_EQ(match.teamScores->blue, -5);
    EXPECT_EQ(match.winner, "red");
    EXPECT_EQ(Scores(match),
              (std::map<std::string, std::int32_t>{
                  {"Final", 1}, {": Timber", 13}, {"> MrJustice", -6}, {": Sujoy", 7}}));
    // The team messages reach each team mate as a copy; each is listed once.
    ASSERT_FALSE(match.chat.empty());
    for (std::size_t i = 1; i < match.chat.size(); ++i) {
        EXPECT_FALSE(match.chat[i].timeMs == match.chat[i - 1].timeMs &&
                     match.chat[i].text == match.chat[i - 1].text &&
                     match.chat[i].sender == match.chat[i - 1].sender);
    }
    EXPECT_TRUE(std::ranges::all_of(match.chat, &MatchChatLine::team));
    EXPECT_EQ(match.chat.front().sender, ": Sujoy");
    EXPECT_EQ(match.chat.front().text, ": Sujoy took ya [tele-ya]");
    // "Final was telefragged by his teammate": the killer is not named.
    EXPECT_EQ(std::ranges::count(match.frags, "team kill", &MatchFrag::means), 5);
}

TEST(RealMvd, DuelWithChat) {
    const auto path = Demo("1on1_milton_vs_mushi[tron]20240616-1719.mvd");
    SKIP_WITHOUT(path);
    const EngineReport report = ReadFile(path, ReadDepth::WholeFile);
    EXPECT_EQ(report.map, "tron");
    EXPECT_EQ(report.serverName, "nl.quake.world:27501 [QW-Group]");
    EXPECT_EQ(Names(report, false), (std::vector<std::string>{"mushi", "Milton"}));
    EXPECT_EQ(Names(report, true), (std::vector<std::string>{"adrenalin", "[ServeMe]"}));
    // The level name holds a Quake dot glyph (0x85).
    const auto level = std::ranges::find(report.otherInfo, std::string("Level name"),
                                         &std::pair<std::string, std::string>::first);
    ASSERT_NE(level, report.otherInfo.end());
    EXPECT_EQ(level->second, "Megatron • by alice");
    const MatchFacts& match = report.match;
    EXPECT_EQ(match.durationMs, 174609);
    EXPECT_EQ(Scores(match), (std::map<std::string, std::int32_t>{{"mushi", 2}, {"Milton", 8}}));
    EXPECT_EQ(match.winner, "Milton");
    const auto gg = std::ranges::find_if(match.chat, [](const MatchChatLine& line) {
        return line.sender == "Milton" && line.text == "gg";
    });
    ASSERT_NE(gg, match.chat.end());
    EXPECT_FALSE(gg->team);
    EXPECT_EQ(gg->timeMs, 169992);
    // Colour markup of team messages is gone.
    for (const MatchChatLine& line : match.chat) {
        EXPECT_EQ(line.text.find("&c"), std::string::npos) << line.text;
        EXPECT_EQ(line.text.find('{'), std::string::npos) << line.text;
    }
}

TEST(RealMvd, WindowStopsAfterTheFirstMoment) {
    for (const char* name :
         {"ffa_5[dm4]20240501-1229.mvd", "2on2_sf_vs_red[frobodm2]220104-0915.mvd",
          "1on1_milton_vs_mushi[tron]20240616-1719.mvd"}) {
        const auto path = Demo(name);
        SKIP_WITHOUT(path);
        const EngineReport window = ReadFile(path, ReadDepth::Window);
        const EngineReport whole = ReadFile(path, ReadDepth::WholeFile);
        EXPECT_EQ(window.match.ended.reason, "window complete") << name;
        ASSERT_TRUE(window.match.ended.byteOffset) << name;
        EXPECT_LT(*window.match.ended.byteOffset, 16384u) << name;
        EXPECT_FALSE(window.match.durationMs) << name;
        EXPECT_EQ(Names(window, false), Names(whole, false)) << name;
        EXPECT_EQ(Names(window, true), Names(whole, true)) << name;
        EXPECT_EQ(window.teams, whole.teams) << name;
        EXPECT_EQ(window.map, whole.map) << name;
        EXPECT_EQ(window.serverName, whole.serverName) << name;
    }
}

} // namespace
} // namespace fenlark::readers

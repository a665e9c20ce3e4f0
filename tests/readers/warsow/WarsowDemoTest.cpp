// Warsow demos: the five of the shared folder (values read from the files
// with strings/xxd and an independent decode: names from the player
// configstrings, spectators from the "scb" scoreboards, durations from the
// demo information and the frames' server times), and crafted ones for team
// games, chat and damage.

#include "readers/warsow/WarsowCommand.h"
#include "readers/warsow/WarsowReader.h"
#include "readers/warsow/WarsowScoreboard.h"
#include "readers/warsow/WarsowText.h"
#include "tests/readers/quake2/MessageBytes.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fenlark::readers {
namespace {

using test::Blocks;
using test::MessageBytes;

EngineReport ReadFile(const std::string& name, ReadDepth depth = ReadDepth::WholeFile) {
    auto source = FileSource::open(std::string(FENLARK_SHARED_DEMOS) + "/warsow_wd/" + name);
    if (!source) {
        ADD_FAILURE() << "cannot open " << name;
        return {};
    }
    return ReadWarsowDemo(*source, depth);
}

#define SKIP_WITHOUT_DEMOS()                                                                       \
    if (!std::filesystem::is_directory(FENLARK_SHARED_DEMOS)) {                                    \
        GTEST_SKIP() << "no shared demo folder";                                                   \
    }

std::vector<std::string> Names(const EngineReport& report) {
    std::vector<std::string> names;
    for (const ReportedPlayer& player : report.players) {
        names.push_back(player.name + (player.spectator ? " (spectator)" : ""));
    }
    return names;
}

TEST(WarsowRealDemos, Protocol12RaceWithASpectator) {
    SKIP_WITHOUT_DEMOS();
    const EngineReport report = ReadFile("race_cjscomp008.wd12");
    EXPECT_EQ(report.protocol, "12");
    EXPECT_EQ(report.map, "cjscomp008");
    EXPECT_EQ(report.mod, "racesow");
    EXPECT_EQ(report.serverName, "warsow-race.net FR #1 RACE");
    EXPECT_EQ(Names(report), (std::vector<std::string>{"<acc/RiFo", "123 (spectator)"}));
    ASSERT_TRUE(report.match.gameType);
    EXPECT_EQ(report.match.gameType->name, "race");
    // The demo information says 28400 ms; the frames run from 1366333 to 1394733.
    EXPECT_EQ(report.match.durationMs, 28400);
    EXPECT_EQ(*report.match.lastServerTime - *report.match.firstServerTime, 28400);
    EXPECT_TRUE(report.teams.empty());
    EXPECT_EQ(report.match.ended.reason, "end marker");
}

TEST(WarsowRealDemos, Protocol11And12DurationsAgreeWithTheFrames) {
    SKIP_WITHOUT_DEMOS();
    for (const auto& [name, duration] :
         {std::pair{"freestyle_wctf1.wd12", 15051}, {"race_gdfcomp08_14.949.wd11", 19250}}) {
        const EngineReport report = ReadFile(name);
        EXPECT_EQ(report.match.durationMs, duration) << name;
        EXPECT_EQ(*report.match.lastServerTime - *report.match.firstServerTime, duration) << name;
        EXPECT_EQ(report.match.ended.reason, "end marker") << name;
    }
    const EngineReport race = ReadFile("race_gdfcomp08_14.949.wd11");
    EXPECT_EQ(race.players.size(), 9U);
    EXPECT_EQ(race.players[8].name, "soh#kreativ");
    // The last scoreboard has the best time the demo is named after.
    bool found = false;
    for (const auto& [label, value] : race.players[8].details) {
        found = found || (label == "Time" && value == "00:14.949");
    }
    EXPECT_TRUE(found);
}

TEST(WarsowRealDemos, Protocol10ClientDemosNameTheirRecorder) {
    SKIP_WITHOUT_DEMOS();
    const EngineReport report = ReadFile("very_short_demo.wd10");
    EXPECT_EQ(report.protocol, "10");
    EXPECT_EQ(report.map, "gu3-bored");
    EXPECT_EQ(Names(report), (std::vector<std::string>{"/szr...", "<acc/inept."}));
    ASSERT_TRUE(report.match.recorder);
    EXPECT_EQ(report.match.recorder->name, "<acc/inept.");
    EXPECT_EQ(report.match.durationMs, 4604); // server times 919685 to 924289
    EXPECT_EQ(report.match.ended.reason, "end marker");

    const EngineReport lava = ReadFile("e-lava.wd10");
    EXPECT_EQ(lava.mod, "racesow_local_0.12");
    ASSERT_TRUE(lava.match.gameType);
    EXPECT_EQ(lava.match.gameType->name, "race"); // from its scoreboard "&races"
    EXPECT_EQ(lava.match.durationMs, 11500);
}

TEST(WarsowRealDemos, WindowDepthStopsOnceTheScoreboardIsKnown) {
    SKIP_WITHOUT_DEMOS();
    const EngineReport window = ReadFile("race_cjscomp008.wd12", ReadDepth::Window);
    EXPECT_EQ(window.match.ended.reason, "window complete");
    EXPECT_LT(*window.match.ended.byteOffset, 16000U);
    EXPECT_EQ(Names(window), (std::vector<std::string>{"<acc/RiFo", "123 (spectator)"}));
    EXPECT_EQ(window.match.durationMs, 28400); // from the demo information
}

// A protocol 12 server demo: demo information, server data, configstrings.
MessageBytes Opening(std::string_view layout, std::string_view titles) {
    MessageBytes m;
    m.u8(13).i32(1000).i32(0).i32(0);
    m.u8(3).i32(12).i32(7).u16(50).text("basewsw").text("basewsw").u16(0xFFFF).text("wdm2");
    m.u8(0).u16(0);
    const auto cs = [&](int index, std::string_view value) {
        m.u8(11).text("cs " + std::to_string(index) + " \"" + std::string(value) + "\"");
    };
    cs(0, "^1Red ^7Server");
    cs(12, "tdm");
    cs(16, layout);
    cs(17, titles);
    cs(18, "SPECTATOR");
    cs(19, "PLAYERS");
    cs(20, "^1ALPHA");
    cs(21, "BETA");
    cs(30, "maps/wdm2.bsp");
    cs(1376, "\\name\\^2Ann\\hand\\0");
    cs(1377, "\\name\\Ben\\hand\\2");
    cs(1378, "\\name\\Cid\\hand\\2");
    return m;
}

MessageBytes Frame(int number, std::uint32_t time,
                   const std::vector<std::pair<int, std::string>>& commands) {
    MessageBytes body;
    body.i32(time).i32(number).i32(number - 1).i32(0).u8(0).u8(0).u8(8);
    for (const auto& [age, text] : commands) {
        body.u16(age).text(text);
    }
    body.u16(0xFFFF);
    body.u8(0).u8(9).u8(0).u16(0).u8(0).u8(7).u8(0).u8(0); // the rest, stepped over
    MessageBytes m;
    m.u8(12).u16(static_cast<int>(body.size())).raw(body.bytes());
    return m;
}

TEST(WarsowCraftedDemo, TeamGameScoreboardGivesTeamsScoresAndSpectators) {
    const std::string board = "scb \"&t 2 15 40 &p 0 7 30 &t 3 9 50 &p 1 9 52 &s 2 80 \"";
    MessageBytes reliable;
    reliable.u8(2).i32(1).text("ch 2 \"^3hello\"").u8(2).i32(1).text("ch 2 \"again\"");
    reliable.u8(2).i32(2).text("tch 1 \"push\"");
    const EngineReport report = test::Read(
        &ReadWarsowDemo, Blocks({Opening("%n 112 %i 48 %l 48", "Name Score Ping"),
                                 Frame(10, 5000, {{0, board}}), Frame(11, 5050, {{1, board}}),
                                 reliable, Frame(12, 5100, {{0, "cs 1377 \"\\name\\Benny\""}})}));
    EXPECT_EQ(report.serverName, "Red Server");
    EXPECT_EQ(report.teams, (std::vector<std::string>{"ALPHA", "BETA"}));
    ASSERT_EQ(report.players.size(), 3U);
    EXPECT_EQ(report.players[0].name, "Ann");
    EXPECT_EQ(report.players[0].team, "ALPHA");
    EXPECT_EQ(report.players[1].name, "Benny");
    EXPECT_EQ(report.players[1].team, "BETA");
    EXPECT_TRUE(report.players[2].spectator);
    EXPECT_EQ(report.match.players[0].score, 7);
    EXPECT_EQ(report.match.players[1].score, 9);
    ASSERT_TRUE(report.match.teamScores);
    EXPECT_EQ(report.match.teamScores->blue, 15); // the first team
    EXPECT_EQ(report.match.teamScores->red, 9);
    // The repeated command number is read once; "tch" is team chat.
    ASSERT_EQ(report.match.chat.size(), 2U);
    EXPECT_EQ(report.match.chat[0].sender, "Ben");
    EXPECT_EQ(report.match.chat[0].text, "hello");
    EXPECT_TRUE(report.match.chat[1].team);
    EXPECT_EQ(report.match.chat[1].timeMs, 50);
    ASSERT_EQ(report.match.playerEvents.size(), 1U);
    EXPECT_EQ(report.match.playerEvents[0].kind, MatchPlayerEvent::Kind::Rename);
    EXPECT_EQ(report.match.durationMs, 100);
}

TEST(WarsowCraftedDemo, DamageKeepsWhatWasRead) {
    std::vector<std::uint8_t> bytes =
        Blocks({Opening("%n 112", "Name"), Frame(1, 100, {{0, "ch 1 \"hi\""}})}, false);
    bytes.resize(bytes.size() - 6);
    EngineReport report = test::Read(&ReadWarsowDemo, bytes);
    EXPECT_EQ(report.match.ended.reason, "cut inside a record");
    EXPECT_EQ(report.players.size(), 3U);
    EXPECT_TRUE(report.match.chat.empty());

    MessageBytes unknown;
    unknown.u8(3).i32(15).i32(7).u16(50);
    report = test::Read(&ReadWarsowDemo, Blocks({unknown}));
    EXPECT_EQ(report.match.ended.reason, "unknown variant");

    MessageBytes odd = Opening("%n 112", "Name");
    odd.u8(99);
    report = test::Read(&ReadWarsowDemo, Blocks({odd}));
    EXPECT_EQ(report.match.ended.reason, "unsupported message");
    EXPECT_EQ(report.map, "wdm2");
}

TEST(WarsowText, CommandsScoreboardsAndColours) {
    using warsow::SplitCommand;
    EXPECT_EQ(SplitCommand("cs 5 \"two words\" // gone\nnext"),
              (std::vector<std::string_view>{"cs", "5", "two words"}));
    EXPECT_EQ(SplitCommand("pr \"line\nbreak\" /* c */ x"),
              (std::vector<std::string_view>{"pr", "line\nbreak", "x"}));
    EXPECT_EQ(warsow::StripColourCodes("^1a^^b^x^"), "a^b^x^");
    EXPECT_EQ(warsow::WarsowTextToUtf8("caf\xE9"), "caf\u00E9");
    EXPECT_EQ(warsow::WarsowTextToUtf8("caf\u00E9"), "caf\u00E9");

    const warsow::Scoreboard board = warsow::ParseScoreboard(
        "&t 1 0 46 &p -3 ^7 13786 1 &p 0", "%n 112 %s 52 %t 96 %b 48", "Name Clan Time Racing");
    ASSERT_EQ(board.rows.size(), 2U);
    EXPECT_EQ(board.rows[0].client, 2); // drawn faded
    EXPECT_EQ(board.rows[0].columns, (std::vector<std::pair<std::string, std::string>>{
                                         {"Clan", ""}, {"Time", "00:13.786"}, {"Racing", "Yes"}}));
    EXPECT_EQ(warsow::GameTypeOfOldScoreboard("&duels &p 1 2"), "duel");
}

} // namespace
} // namespace fenlark::readers

// GoldSrc demos written by the test: players from user-info updates, teams,
// scores, chat and frags from the game messages the demo registers, the
// window's stopping point, a message that cannot be sized, damaged files.

#include "GoldSrcDemoWriter.h"

#include "readers/goldsrc/GoldSrcDemoReader.h"

#include <gtest/gtest.h>

namespace fenlark::test {
namespace {

using readers::EngineReport;
using readers::ReadDepth;

EngineReport Read(const std::vector<std::uint8_t>& bytes, ReadDepth depth) {
    MemorySource source(bytes);
    return readers::ReadGoldSrcDemo(source, depth);
}

constexpr std::uint32_t TeamInfo = 80;
constexpr std::uint32_t ScoreInfo = 81;
constexpr std::uint32_t SayText = 82;
constexpr std::uint32_t DeathMsg = 83;

Bytes TeamMessage(std::uint32_t entity, const std::string& team) {
    Bytes body;
    body.u8(entity).string(team);
    return GameMessage(TeamInfo, body);
}

Bytes ScoreMessage(std::uint32_t entity, std::int32_t frags, std::int32_t deaths,
                   std::int32_t team) {
    Bytes out;
    out.u8(ScoreInfo).u8(entity).i16(frags).i16(deaths).i16(0).i16(team);
    return out;
}

// A Counter-Strike match: loading segment with the server and three players,
// then playback with teams, scores, chat, a frag and a leave.
GoldSrcDemoWriter MatchDemo() {
    GoldSrcDemoWriter demo;
    demo.beginSegment("LOADING");
    Bytes signOn;
    signOn.u8(8).string("BUILD 8684 SERVER\n"); // print
    signOn.append(ServerInfo("CS Test Server", 32, 1));
    signOn.append(NewUserMessage(TeamInfo, -1, "TeamInfo"));
    signOn.append(NewUserMessage(ScoreInfo, 9, "ScoreInfo"));
    signOn.append(NewUserMessage(SayText, -1, "SayText"));
    signOn.append(NewUserMessage(DeathMsg, -1, "DeathMsg"));
    signOn.append(UserInfo(0, 5, "\\name\\HLTV Proxy\\*hltv\\1"));
    signOn.append(UserInfo(1, 6, "\\model\\gign\\name\\Alice\\*sid\\76561197960265729"));
    signOn.append(UserInfo(2, 7, "\\name\\B\xf6rje")); // Windows-1252
    demo.netFrame(0.0f, signOn);
    demo.endSegment(0.0f);

    demo.beginSegment("Playback");
    Bytes first;
    first.append(TeamMessage(2, "CT")).append(ScoreMessage(2, 0, 0, 2));
    first.append(TeamMessage(3, "TERRORIST")).append(ScoreMessage(3, 0, 0, 1));
    first.append(TeamMessage(1, "SPECTATOR"));
    demo.netFrame(0.5f, first);
    Bytes later;
    Bytes say;
    say.u8(2).string("#Cstrike_Chat_CT").string("").string("rush B");
    later.append(GameMessage(SayText, say));
    Bytes death;
    death.u8(2).u8(3).u8(1).string("ak47");
    later.append(GameMessage(DeathMsg, death));
    later.append(ScoreMessage(2, 1, 0, 2));
    demo.netFrame(2.0f, later);
    Bytes leave;
    leave.append(UserInfo(2, 7, ""));
    demo.netFrame(3.0f, leave);
    demo.endSegment(3.25f);
    return demo;
}

TEST(GoldSrcCraftedDemo, WindowHasPlayersTeamsAndTheGameOrderOfTeams) {
    const EngineReport report = Read(MatchDemo().finish(), ReadDepth::Window);
    EXPECT_EQ(report.match.ended.reason, "window complete");
    EXPECT_EQ(report.serverName, "CS Test Server");
    EXPECT_EQ(report.map, "de_test");
    EXPECT_EQ(report.mod, "cstrike");
    ASSERT_EQ(report.players.size(), 3u);
    EXPECT_EQ(report.players[0].name, "HLTV Proxy");
    EXPECT_TRUE(report.players[0].spectator);
    EXPECT_EQ(report.players[1].name, "Alice");
    EXPECT_EQ(report.players[1].team, "CT");
    EXPECT_EQ(report.players[2].name, "B\xc3\xb6rje");
    EXPECT_EQ(report.players[2].team, "TERRORIST");
    // ScoreInfo numbers the terrorists 1 and the CTs 2.
    EXPECT_EQ(report.teams, (std::vector<std::string>{"TERRORIST", "CT"}));
    // The window stopped before the chat at 2 s.
    EXPECT_TRUE(report.match.chat.empty());
    ASSERT_TRUE(report.match.durationMs);
    EXPECT_EQ(*report.match.durationMs, 3250);
}

TEST(GoldSrcCraftedDemo, WholeFileHasScoresChatFragsAndLeaves) {
    const EngineReport report = Read(MatchDemo().finish(), ReadDepth::WholeFile);
    const auto& match = report.match;
    EXPECT_EQ(match.ended.reason, "end marker");
    ASSERT_EQ(match.chat.size(), 1u);
    EXPECT_EQ(match.chat[0].sender, "Alice");
    EXPECT_EQ(match.chat[0].text, "rush B");
    EXPECT_TRUE(match.chat[0].team);
    EXPECT_EQ(match.chat[0].timeMs, 2000);
    ASSERT_EQ(match.frags.size(), 1u);
    EXPECT_EQ(match.frags[0].killer, "Alice");
    EXPECT_EQ(match.frags[0].victim, "B\xc3\xb6rje");
    EXPECT_EQ(match.frags[0].means, "ak47");
    ASSERT_EQ(match.players.size(), 3u);
    EXPECT_EQ(match.players[1].score, 1);
    EXPECT_EQ(match.players[1].team, "CT");
    ASSERT_TRUE(match.players[2].leftMs);
    EXPECT_EQ(*match.players[2].leftMs, 3000);
    ASSERT_TRUE(match.recorder);
    EXPECT_EQ(match.recorder->name, "Alice");
}

TEST(GoldSrcCraftedDemo, HalfLifeChatAndDeathMessagesHaveNoCounterStrikeFields) {
    GoldSrcDemoWriter demo(5);
    demo.beginSegment("LOADING");
    Bytes signOn;
    signOn.append(ServerInfo("HL Server", 16, 0));
    signOn.append(NewUserMessage(SayText, -1, "SayText"));
    signOn.append(NewUserMessage(DeathMsg, -1, "DeathMsg"));
    signOn.append(UserInfo(0, 1, "\\name\\Gordon"));
    signOn.append(UserInfo(1, 2, "\\name\\Barney"));
    demo.netFrame(0.0f, signOn);
    Bytes play;
    Bytes say;
    say.u8(1).string("\x02Gordon: crowbar time\n");
    play.append(GameMessage(SayText, say));
    Bytes death;
    death.u8(1).u8(2).string("crowbar");
    play.append(GameMessage(DeathMsg, death));
    demo.netFrame(0.0f, play);
    demo.endSegment(0.0f);

    // The game directory of the header is cstrike in the writer; this demo
    // must be read as Half-Life, so patch it to "valve".
    auto bytes = demo.finish();
    const char valve[] = "valve\0\0";
    std::copy(valve, valve + 8, bytes.begin() + 276);
    const EngineReport report = Read(bytes, ReadDepth::WholeFile);
    ASSERT_EQ(report.match.chat.size(), 1u);
    EXPECT_EQ(report.match.chat[0].sender, "Gordon");
    EXPECT_EQ(report.match.chat[0].text, "crowbar time");
    EXPECT_FALSE(report.match.chat[0].team);
    ASSERT_EQ(report.match.frags.size(), 1u);
    EXPECT_EQ(report.match.frags[0].victim, "Barney");
    EXPECT_EQ(report.match.frags[0].means, "crowbar");
}

TEST(GoldSrcCraftedDemo, AnUnsizableMessageEndsOnlyItsFrame) {
    GoldSrcDemoWriter demo;
    demo.beginSegment("LOADING");
    Bytes signOn;
    signOn.append(ServerInfo("Host", 8, 0));
    signOn.append(UserInfo(0, 1, "\\name\\Alice"));
    demo.netFrame(0.0f, signOn);
    Bytes unknown;
    unknown.u8(100).u8(1).u8(2); // game message 100 was never registered
    unknown.append(UserInfo(1, 2, "\\name\\Lost"));
    demo.netFrame(0.0f, unknown);
    Bytes fine;
    fine.append(UserInfo(2, 3, "\\name\\Carol"));
    demo.netFrame(0.0f, fine);
    demo.endSegment(0.0f);

    const EngineReport report = Read(demo.finish(), ReadDepth::WholeFile);
    EXPECT_EQ(report.match.ended.reason, "end marker");
    ASSERT_EQ(report.players.size(), 2u);
    EXPECT_EQ(report.players[1].name, "Carol");
    const auto row = std::find_if(report.otherInfo.begin(), report.otherInfo.end(),
                                  [](const auto& r) { return r.first == "Frames not fully read"; });
    ASSERT_NE(row, report.otherInfo.end());
    EXPECT_EQ(row->second, "1 (message 100)");
}

TEST(GoldSrcCraftedDemo, DamagedFilesGiveWhatWasReadAndTheReason) {
    // A recording that was never closed has no directory: its segments are
    // read one after the other from the header on.
    auto open = MatchDemo().withoutDirectory();
    EngineReport report = Read(open, ReadDepth::WholeFile);
    EXPECT_EQ(report.match.ended.reason, "end marker");
    EXPECT_EQ(report.match.chat.size(), 1u);
    ASSERT_TRUE(report.match.durationMs);
    EXPECT_EQ(*report.match.durationMs, 3250) << "the last frame time, without a directory";

    // Cut inside the playback.
    auto cut = MatchDemo().withoutDirectory();
    cut.resize(cut.size() - 40);
    report = Read(cut, ReadDepth::WholeFile);
    EXPECT_EQ(report.match.ended.reason, "cut inside a record");
    EXPECT_EQ(report.players.size(), 3u);

    // An unknown frame type.
    GoldSrcDemoWriter bad;
    bad.beginSegment("LOADING");
    Bytes signOn = UserInfo(0, 1, "\\name\\Alice");
    bad.netFrame(0.0f, signOn);
    auto bytes = bad.withoutDirectory();
    bytes.insert(bytes.end(), {77, 0, 0, 0, 0, 0, 0, 0, 0});
    report = Read(bytes, ReadDepth::WholeFile);
    EXPECT_EQ(report.match.ended.reason, "illegal data");
    EXPECT_EQ(report.match.ended.detail, "frame type 77");
    EXPECT_EQ(report.players.size(), 1u);

    // Wrong magic; another demo protocol keeps the header's values.
    auto magic = MatchDemo().finish();
    magic[2] = 'B';
    report = Read(magic, ReadDepth::Window);
    EXPECT_EQ(report.match.ended.reason, "illegal data");
    EXPECT_FALSE(report.map);
    report = Read(GoldSrcDemoWriter(4).withoutDirectory(), ReadDepth::Window);
    EXPECT_EQ(report.match.ended.reason, "unknown variant");
    EXPECT_EQ(report.match.ended.detail, "demo protocol 4 is not read (only 5)");
    EXPECT_EQ(report.map, "de_test");
}

} // namespace
} // namespace fenlark::test

// Source demos written by the test: players joining, leaving and renaming in
// the userinfo table, chat, frags from described game events, the window's
// stopping point, and damaged files.

#include "SourceDemoWriter.h"

#include "readers/source/SourceDemoReader.h"

#include <gtest/gtest.h>

namespace fenlark::test {
namespace {

using readers::EngineReport;
using readers::ReadDepth;

EngineReport Read(const std::vector<std::uint8_t>& bytes, ReadDepth depth) {
    MemorySource source(bytes);
    return readers::ReadSourceDemo(source, depth);
}

// A game event list with player_death (userid short, attacker short, weapon
// string) as event 7 and player_team (userid short, team byte) as event 9.
void EventList(BitWriter& out) {
    BitWriter list;
    list.bits(7, 9);
    list.string("player_death");
    list.bits(4, 3);
    list.string("userid");
    list.bits(4, 3);
    list.string("attacker");
    list.bits(1, 3);
    list.string("weapon");
    list.bits(0, 3);
    list.bits(9, 9);
    list.string("player_team");
    list.bits(4, 3);
    list.string("userid");
    list.bits(5, 3);
    list.string("team");
    list.bits(0, 3);
    out.bits(30, 6);
    out.bits(2, 9);
    out.bits(static_cast<std::uint32_t>(list.length()), 20);
    out.append(list);
}

void GameEvent(BitWriter& out, const BitWriter& body) {
    out.bits(25, 6);
    out.bits(static_cast<std::uint32_t>(body.length()), 11);
    out.append(body);
}

// Sign-on with two players and SourceTV, then packets: a chat line, a frag, a
// team change, a rename, a leave.
std::vector<std::uint8_t> MatchDemo() {
    SourceDemoWriter demo;
    BitWriter signOn;
    SourceDemoWriter::serverInfo(signOn, "Test Server", 1);
    EventList(signOn);
    SourceDemoWriter::createUserInfo(signOn, {{0, PlayerRecord("TV", 2, "BOT", true, true)},
                                              {1, PlayerRecord("Alice", 10, "[U:1:100]")},
                                              {2, PlayerRecord("Bot Bob", 11, "BOT", true)}});
    demo.packet(1, 5000, signOn);
    demo.syncTick();

    BitWriter first;
    BitWriter say;
    say.bits(2, 8); // Alice's entity
    say.bits(1, 8);
    say.string("TF_Chat_Team");
    say.string("Alice");
    say.string("\x07"
               "FF0000go go\x01 go");
    SourceDemoWriter::userMessage(first, 4, say);
    demo.packet(2, 100, first);

    BitWriter second;
    BitWriter death;
    death.bits(7, 9);
    death.bits(11, 16); // Bob died
    death.bits(10, 16); // by Alice
    death.string("scattergun");
    GameEvent(second, death);
    BitWriter team;
    team.bits(9, 9);
    team.bits(10, 16);
    team.bits(3, 8);
    GameEvent(second, team);
    SourceDemoWriter::updateTable(second, 0, {{1, PlayerRecord("Alice2", 10, "[U:1:100]")}});
    demo.packet(2, 200, second);

    BitWriter third;
    SourceDemoWriter::updateTable(third, 0, {{2, {}}});
    demo.packet(2, 300, third);
    demo.stop(300);
    return demo.bytes();
}

TEST(SourceCraftedDemo, WindowListsTheSignOnPlayersAndStopsAtTheFirstPacket) {
    const auto bytes = MatchDemo();
    const EngineReport report = Read(bytes, ReadDepth::Window);
    EXPECT_EQ(report.match.ended.reason, "window complete");
    EXPECT_EQ(report.serverName, "Test Server");
    EXPECT_EQ(report.map, "cp_test");
    ASSERT_EQ(report.players.size(), 3u);
    EXPECT_EQ(report.players[0].name, "TV");
    EXPECT_TRUE(report.players[0].spectator);
    EXPECT_EQ(report.players[1].name, "Alice");
    EXPECT_FALSE(report.players[1].spectator);
    EXPECT_EQ(report.players[1].team, "");
    EXPECT_EQ(report.players[2].name, "Bot Bob");
    const auto& details = report.players[2].details;
    EXPECT_NE(std::find(details.begin(), details.end(),
                        std::make_pair(std::string("Bot"), std::string("yes"))),
              details.end());
    // Nothing after the sign-on was read: no chat yet.
    EXPECT_TRUE(report.match.chat.empty());
    ASSERT_TRUE(report.match.recorder);
    EXPECT_EQ(report.match.recorder->name, "Alice");
}

TEST(SourceCraftedDemo, WholeFileFollowsChatFragsTeamsRenamesAndLeaves) {
    const EngineReport report = Read(MatchDemo(), ReadDepth::WholeFile);
    const auto& match = report.match;
    EXPECT_EQ(match.ended.reason, "end marker");
    ASSERT_TRUE(match.durationMs);
    EXPECT_EQ(*match.durationMs, 4500); // 300 ticks of 15 ms

    ASSERT_EQ(match.chat.size(), 1u);
    EXPECT_EQ(match.chat[0].sender, "Alice");
    EXPECT_EQ(match.chat[0].text, "go go go");
    EXPECT_TRUE(match.chat[0].team);
    EXPECT_EQ(match.chat[0].timeMs, 1500);

    ASSERT_EQ(match.frags.size(), 1u);
    EXPECT_EQ(match.frags[0].killer, "Alice");
    EXPECT_EQ(match.frags[0].victim, "Bot Bob");
    EXPECT_EQ(match.frags[0].means, "scattergun");

    ASSERT_EQ(match.players.size(), 3u);
    EXPECT_EQ(match.players[1].name, "Alice2");
    EXPECT_EQ(match.players[1].team, "blue");
    EXPECT_FALSE(match.players[1].leftMs);
    ASSERT_TRUE(match.players[2].leftMs);
    EXPECT_EQ(*match.players[2].leftMs, 4500);

    using Kind = MatchPlayerEvent::Kind;
    std::vector<Kind> kinds;
    for (const auto& event : match.playerEvents) {
        kinds.push_back(event.kind);
    }
    EXPECT_EQ(kinds, (std::vector<Kind>{Kind::Join, Kind::Join, Kind::Join, Kind::TeamChange,
                                        Kind::Rename, Kind::Leave}));
    EXPECT_EQ(match.playerEvents[4].value, "Alice");

    // The window's list stays the sign-on's whatever the depth.
    ASSERT_EQ(report.players.size(), 3u);
    EXPECT_EQ(report.players[1].name, "Alice");
}

TEST(SourceCraftedDemo, AnUnknownMessageLosesOnlyTheRestOfItsPacket) {
    SourceDemoWriter demo;
    BitWriter signOn;
    SourceDemoWriter::serverInfo(signOn, "Host", 0);
    SourceDemoWriter::createUserInfo(signOn, {{0, PlayerRecord("Alice", 3, "[U:1:1]")}});
    demo.packet(1, 0, signOn);
    BitWriter broken;
    broken.bits(16, 6); // no message has this number
    SourceDemoWriter::updateTable(broken, 0, {{1, PlayerRecord("Lost", 4, "[U:1:2]")}});
    demo.packet(2, 10, broken);
    BitWriter fine;
    SourceDemoWriter::updateTable(fine, 0, {{2, PlayerRecord("Carol", 5, "[U:1:3]")}});
    demo.packet(2, 20, fine);
    demo.stop(20);

    const EngineReport report = Read(demo.bytes(), ReadDepth::WholeFile);
    EXPECT_EQ(report.match.ended.reason, "end marker");
    ASSERT_EQ(report.match.players.size(), 2u);
    EXPECT_EQ(report.match.players[1].name, "Carol");
    const auto row =
        std::find_if(report.otherInfo.begin(), report.otherInfo.end(),
                     [](const auto& r) { return r.first == "Packets not fully read"; });
    ASSERT_NE(row, report.otherInfo.end());
    EXPECT_EQ(row->second, "1");
}

TEST(SourceCraftedDemo, DamagedFilesKeepWhatWasReadAndSayWhere) {
    const auto good = MatchDemo();

    // Cut inside the third packet.
    std::vector<std::uint8_t> cut(good.begin(), good.end() - 20);
    EngineReport report = Read(cut, ReadDepth::WholeFile);
    EXPECT_EQ(report.match.ended.reason, "cut inside a record");
    EXPECT_EQ(report.match.chat.size(), 1u);
    EXPECT_EQ(report.players.size(), 3u);

    // An unknown frame command after the sign-on.
    SourceDemoWriter demo;
    BitWriter signOn;
    SourceDemoWriter::createUserInfo(signOn, {{0, PlayerRecord("Alice", 3, "[U:1:1]")}});
    demo.packet(1, 0, signOn);
    demo.raw({42, 0, 0, 0, 0});
    report = Read(demo.bytes(), ReadDepth::WholeFile);
    EXPECT_EQ(report.match.ended.reason, "illegal data");
    EXPECT_EQ(report.match.ended.detail, "frame command 42");
    ASSERT_TRUE(report.match.ended.byteOffset);
    EXPECT_EQ(*report.match.ended.byteOffset, demo.bytes().size() - 5);
    EXPECT_EQ(report.players.size(), 1u);

    // A frame length beyond anything real.
    SourceDemoWriter huge;
    huge.raw({2, 0, 0, 0, 0});
    huge.raw(std::vector<std::uint8_t>(84, 0));
    huge.raw({0xff, 0xff, 0xff, 0x7f});
    report = Read(huge.bytes(), ReadDepth::WholeFile);
    EXPECT_EQ(report.match.ended.reason, "illegal data");

    // Not a Source demo; a later demo protocol; a header cut short.
    auto magic = good;
    magic[0] = 'X';
    EXPECT_EQ(Read(magic, ReadDepth::Window).match.ended.reason, "illegal data");
    report = Read(SourceDemoWriter(4, 2001, "sp_a1", "portal2").bytes(), ReadDepth::Window);
    EXPECT_EQ(report.match.ended.reason, "unknown variant");
    EXPECT_EQ(report.map, "sp_a1");
    std::vector<std::uint8_t> header(good.begin(), good.begin() + 100);
    EXPECT_EQ(Read(header, ReadDepth::Window).match.ended.reason, "cut inside the header");
}

} // namespace
} // namespace fenlark::test

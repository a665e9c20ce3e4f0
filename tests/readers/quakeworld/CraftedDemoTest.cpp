// The QuakeWorld reader on crafted demos: the cases the real files do not
// show (a .qwd, extension fields, damage) and the facts it must not get
// wrong (copies of one chat line, a leaving player's score).

#include "readers/EngineReaders.h"
#include "readers/quakeworld/QuakeWorldReader.h"
#include "tests/readers/quakeworld/QwDemoWriter.h"

#include <gtest/gtest.h>

namespace fenlark::readers {
namespace {

using namespace testing;

constexpr std::string_view TeamServer =
    "fullserverinfo \"\\hostname\\Crafted\\map\\e1m2\\teamplay\\2\\*version\\MVDSV 0.1\"\n";

// The setup every crafted MVD starts with: the server, two players on two
// teams and a spectator, then the end of the setup.
MvdWriter TeamMatchStart(std::uint32_t fte = 0, std::uint32_t mvd = 0) {
    MvdWriter demo;
    ByteWriter setup;
    ServerData(setup, "Crafted Level", fte, mvd);
    StuffText(setup, TeamServer);
    ModelList(setup, "maps/e1m2.bsp");
    Frags(setup, 0, 0);
    UserInfo(setup, 0, 10, "\\name\\alpha\\team\\red\\topcolor\\4");
    Frags(setup, 1, 0);
    UserInfo(setup, 1, 11, "\\name\\beta two\\team\\blue");
    UserInfo(setup, 2, 12, "\\name\\watcher\\*spectator\\1");
    StuffText(setup, "skins\n");
    demo.all(0, setup);
    return demo;
}

ByteWriter Disconnect() {
    ByteWriter w;
    w.u8(2).str("EndOfDemo");
    return w;
}

TEST(CraftedMvd, TeamMatchFromStartToEnd) {
    MvdWriter demo = TeamMatchStart();
    // A team message the server sent to each team member: one line.
    ByteWriter chat;
    Print(chat, 3, "(alpha): \r{&cf00go&cfff} {quad}\n");
    demo.single(100, 0, chat).single(0, 1, chat);
    // An obituary printed in pieces, as the original game code does.
    ByteWriter death;
    Print(death, 1, "beta two");
    Print(death, 1, " rides ");
    Print(death, 1, "alpha");
    Print(death, 1, "'s rocket\n");
    Frags(death, 0, 1);
    demo.all(250, death);
    ByteWriter end;
    end.u8(30).zeros(6 + 3); // intermission: origin, angles
    demo.all(50, end).all(10, Disconnect());

    const EngineReport report = ReadBytes(&ReadQuakeWorldMvd, demo.file);
    EXPECT_EQ(report.map, "e1m2");
    EXPECT_EQ(report.serverName, "Crafted");
    EXPECT_EQ(report.teams, (std::vector<std::string>{"red", "blue"}));
    ASSERT_EQ(report.players.size(), 3u);
    EXPECT_EQ(report.players[1].name, "beta two");
    EXPECT_EQ(report.players[1].team, "blue");
    EXPECT_TRUE(report.players[2].spectator);
    const MatchFacts& match = report.match;
    EXPECT_EQ(match.durationMs, 410);
    EXPECT_EQ(match.ended.reason, "end marker");
    ASSERT_EQ(match.chat.size(), 1u);
    EXPECT_TRUE(match.chat[0].team);
    EXPECT_EQ(match.chat[0].sender, "alpha");
    EXPECT_EQ(match.chat[0].text, "go quad");
    EXPECT_EQ(match.chat[0].timeMs, 100);
    ASSERT_EQ(match.frags.size(), 1u);
    EXPECT_EQ(match.frags[0].killer, "alpha");
    EXPECT_EQ(match.frags[0].victim, "beta two");
    EXPECT_EQ(match.frags[0].means, "rocket launcher");
    EXPECT_EQ(match.frags[0].timeMs, 350);
    ASSERT_TRUE(match.teamScores);
    EXPECT_EQ(match.teamScores->red, 1);
    EXPECT_EQ(match.teamScores->blue, 0);
    EXPECT_EQ(match.winner, "red");
}

TEST(CraftedMvd, LeavingPlayerKeepsTheScoreTheServerClears) {
    MvdWriter demo = TeamMatchStart();
    ByteWriter score;
    Frags(score, 1, 3);
    demo.all(100, score);
    ByteWriter leave; // the server clears the frags and the name together
    Frags(leave, 1, 0);
    UserInfo(leave, 1, 11, "");
    demo.all(100, leave);
    ByteWriter rename;
    UserInfo(rename, 0, 10, "\\name\\alpha2\\team\\red");
    demo.all(100, rename).all(0, Disconnect());

    const MatchFacts match = ReadBytes(&ReadQuakeWorldMvd, demo.file).match;
    ASSERT_EQ(match.players.size(), 3u);
    EXPECT_EQ(match.players[1].score, 3);
    EXPECT_EQ(match.players[1].leftMs, 200);
    EXPECT_EQ(match.players[0].name, "alpha2");
    ASSERT_EQ(match.playerEvents.size(), 2u);
    EXPECT_EQ(match.playerEvents[0].kind, MatchPlayerEvent::Kind::Leave);
    EXPECT_EQ(match.playerEvents[1].kind, MatchPlayerEvent::Kind::Rename);
    EXPECT_EQ(match.playerEvents[1].value, "alpha");
    EXPECT_FALSE(match.winner); // no intermission: the match did not end in the demo
}

TEST(CraftedMvd, ExtensionFieldsAreSizedAndTheWalkStaysInStep) {
    constexpr std::uint32_t fte = 0x00000008 | 0x00080000 | 0x00001000 | 0x00002000 | 0x00008000;
    MvdWriter demo = TeamMatchStart(fte, 1 | 32);
    ByteWriter frame;
    frame.u8(47); // svc_packetentities
    // Entity 600 (ENTITYDBL) with model >= 512 as a short, an origin as a
    // float (MVD1 float coordinates), transparency and colour.
    frame.u16((600 & 511) | (1u << 15) | (1u << 9)).u8(1u << 7);
    frame.u8((1u << 1) | (1u << 3) | (1u << 5) | (1u << 7)).u8(1u << 2);
    frame.u16(520).f32(1.5f).u8(128).u8(1).u8(2).u8(3);
    frame.u16(0);
    // A player of an MVD with every field, angles and coordinates widened.
    frame.u8(42).u8(0).u16(0x0fff).u8(0).zeros(3 * 4 + 3 * 2 + 4);
    Print(frame, 3, "beta two: still here\n");
    demo.all(20, frame).all(0, Disconnect());

    const MatchFacts match = ReadBytes(&ReadQuakeWorldMvd, demo.file).match;
    EXPECT_EQ(match.ended.reason, "end marker") << match.ended.detail;
    ASSERT_EQ(match.chat.size(), 1u);
    EXPECT_EQ(match.chat[0].text, "still here");
}

TEST(CraftedMvd, UnsizableMessagesStopWithTheirPlace) {
    // An FTE entity field whose size is not known here (scale).
    MvdWriter demo = TeamMatchStart(0x00002000);
    ByteWriter frame;
    frame.u8(47).u16(5 | (1u << 15)).u8(1u << 7).u8(1u << 0).u8(7).u16(0);
    const std::size_t frameAt = demo.file.bytes.size() + 6; // after time, type and length
    demo.all(20, frame).all(0, Disconnect());
    const MatchFacts scaled = ReadBytes(&ReadQuakeWorldMvd, demo.file).match;
    EXPECT_EQ(scaled.ended.reason, "illegal data");
    EXPECT_NE(scaled.ended.detail.find("FTE entity fields"), std::string::npos);
    EXPECT_EQ(scaled.ended.byteOffset, frameAt);

    // An unknown message byte.
    MvdWriter unknown = TeamMatchStart();
    ByteWriter bad;
    Print(bad, 2, "fine\n").u8(99).u8(1);
    unknown.all(5, bad).all(0, Disconnect());
    const EngineReport report = ReadBytes(&ReadQuakeWorldMvd, unknown.file);
    EXPECT_EQ(report.match.ended.reason, "illegal data");
    EXPECT_EQ(report.match.ended.detail, "unknown message 99");
    EXPECT_EQ(report.players.size(), 3u); // what came before stays
}

TEST(CraftedMvd, CutFileKeepsWhatWasRead) {
    MvdWriter demo = TeamMatchStart();
    ByteWriter more;
    Frags(more, 0, 2);
    demo.all(100, more);
    auto bytes = demo.file;
    bytes.bytes.resize(bytes.bytes.size() - 2);
    const EngineReport report = ReadBytes(&ReadQuakeWorldMvd, bytes);
    EXPECT_EQ(report.match.ended.reason, "cut inside a record");
    EXPECT_EQ(report.players.size(), 3u);
    EXPECT_EQ(report.match.ended.messagesRead, 1u);

    // A record length past any real one is damage, not an allocation.
    MvdWriter huge = TeamMatchStart();
    huge.file.u8(0).u8(6).i32(0x7fffffff);
    EXPECT_EQ(ReadBytes(&ReadQuakeWorldMvd, huge.file).match.ended.reason, "illegal data");
}

TEST(CraftedMvd, NotAnMvd) {
    ByteWriter text;
    text.str("This is not a demo at all, just some text.");
    const EngineReport report = ReadBytes(&ReadQuakeWorldMvd, text);
    EXPECT_TRUE(report.players.empty());
    EXPECT_FALSE(report.map);
    EXPECT_FALSE(report.match.ended.reason.empty());
}

TEST(CraftedMvd, ServerStatisticsInHiddenBlocks) {
    MvdWriter demo = TeamMatchStart(0, 32);
    const std::string json =
        R"({"version": 3, "date": "2024-01-02", "mode": "team", "duration": 600,)"
        R"( "players": [{"name": "beta two", "stats": {"frags": 7, "deaths": 2, "kills": 8},)"
        R"( "weapons": {"lg": {"acc": {"attacks": 10, "hits": 4}}}}]})";
    const std::size_t half = json.size() / 2;
    for (const auto& [number, part] :
         {std::pair{1u, json.substr(0, half)}, std::pair{0u, json.substr(half)}}) {
        ByteWriter hidden;
        hidden.i32(static_cast<std::int32_t>(part.size() + 2)).u16(3).u16(number);
        hidden.bytes.insert(hidden.bytes.end(), part.begin(), part.end());
        demo.record(10, 3, hidden, 0);
    }
    demo.all(0, Disconnect());
    const EngineReport report = ReadBytes(&ReadQuakeWorldMvd, demo.file);
    EXPECT_EQ(report.match.ended.reason, "end marker");
    const ReportedPlayer* beta = FindPlayer(report, "beta two");
    ASSERT_NE(beta, nullptr);
    EXPECT_EQ(Detail(*beta, "Kills"), "8");
    EXPECT_EQ(Detail(*beta, "Accuracy LG"), "4/10 (40.0%)");
    EXPECT_EQ(Detail(*FindPlayer(report, "alpha"), "Kills"), "");
}

TEST(CraftedMvd, WindowDoesNotReadPastTheFirstMoment) {
    MvdWriter demo = TeamMatchStart();
    ByteWriter bad;
    bad.u8(99);
    demo.all(5, bad);
    EXPECT_EQ(ReadBytes(&ReadQuakeWorldMvd, demo.file, ReadDepth::Window).match.ended.reason,
              "window complete");
    EXPECT_EQ(ReadBytes(&ReadQuakeWorldMvd, demo.file).match.ended.reason, "illegal data");
}

TEST(CraftedQwd, ClientDemoWithMovesAndPlayerUpdates) {
    QwdWriter demo;
    ByteWriter setup;
    ServerData(setup, "Qwd Level", 0, 0, 1 | 0x80); // slot 1, watching
    setup.u8(32).u8(0);                             // cd track
    StuffText(setup, "fullserverinfo \"\\hostname\\Home\\map\\dm6\"\n");
    UserInfo(setup, 0, 3, "\\name\\player one");
    UserInfo(setup, 1, 4, "\\name\\me\\*spectator\\1");
    demo.read(100.0f, setup).move(100.01f);
    ByteWriter frame;
    // A player as a game connection sends it: flags with message time, a
    // user command (angles, forward move, buttons, msec) and velocity.
    frame.u8(42).u8(0).u16(1u | 2u | 4u).zeros(6).u8(3).u8(5);
    frame.u8(1u | (1u << 2) | (1u << 5) | (1u << 7)).u16(10).u16(20).u16(300).u8(1).u8(13);
    frame.u16(50);
    frame.u8(48).u8(0).u16(0); // delta entities, none changed
    Print(frame, 3, "player one: hi\n");
    demo.read(100.25f, frame).move(100.3f);
    ByteWriter end;
    end.u8(2);
    demo.read(101.5f, end);

    const EngineReport report = ReadBytes(&ReadQuakeWorldQwd, demo.file);
    EXPECT_EQ(report.map, "dm6");
    EXPECT_EQ(report.serverName, "Home");
    ASSERT_EQ(report.players.size(), 2u);
    EXPECT_TRUE(report.players[1].spectator);
    const MatchFacts& match = report.match;
    EXPECT_EQ(match.ended.reason, "end marker") << match.ended.detail;
    EXPECT_EQ(match.durationMs, 1500);
    ASSERT_TRUE(match.recorder);
    EXPECT_EQ(match.recorder->clientNumber, 1);
    EXPECT_EQ(match.recorder->name, "me");
    ASSERT_EQ(match.chat.size(), 1u);
    EXPECT_EQ(match.chat[0].timeMs, 250);
    EXPECT_FALSE(match.firstServerTime); // a client demo holds the client's clock
}

TEST(CraftedQwd, ExtensionsChangeTheSizes) {
    // Float coordinates (FTE), a byte before svc_setangle's angles (MVD1
    // high-lag teleport) and chunked downloads: each read at its own size,
    // else the chat line after them would not be found.
    QwdWriter demo;
    ByteWriter setup;
    ServerData(setup, "Ext", 0x00008000 | 0x20000000, 2, 0);
    UserInfo(setup, 0, 1, "\\name\\solo");
    UserInfo(setup, 1, 2, "\\name\\other\\*spectator\\1");
    setup.u8(47).u16(0); // the first game update: the start is known
    demo.read(1.0f, setup);
    ByteWriter game;
    game.u8(10).u8(1).zeros(3 * 2);           // setangle: byte, 16-bit angles
    game.u8(19).u8(5).u8(5).zeros(3 * 4);     // damage at a float position
    game.u8(41).i32(0).zeros(1024);           // one download chunk
    game.u8(41).i32(-1).i32(-2).str("x.pk3"); // a refused download
    Print(game, 3, "solo: sized\n");
    UserInfo(game, 1, 2, "\\name\\other\\team\\blue"); // the spectator joins the game
    demo.read(2.0f, game);
    const MatchFacts match = ReadBytes(&ReadQuakeWorldQwd, demo.file).match;
    EXPECT_EQ(match.ended.reason, "end of file") << match.ended.detail;
    ASSERT_EQ(match.chat.size(), 1u);
    EXPECT_EQ(match.chat[0].text, "sized");
    ASSERT_EQ(match.playerEvents.size(), 1u);
    EXPECT_EQ(match.playerEvents[0].kind, MatchPlayerEvent::Kind::TeamChange);
    ASSERT_EQ(match.players.size(), 2u);
    EXPECT_EQ(match.players[1].team, ""); // no teamplay on this server
    EXPECT_EQ(match.players[1].score, 0);
}

TEST(CraftedQwd, MapChangeEndsTheReport) {
    QwdWriter demo;
    ByteWriter first;
    ServerData(first, "One", 0, 0, 0);
    UserInfo(first, 0, 1, "\\name\\solo");
    demo.read(1.0f, first);
    ByteWriter second;
    ServerData(second, "Two", 0, 0, 0);
    demo.read(2.0f, second);
    const EngineReport report = ReadBytes(&ReadQuakeWorldQwd, demo.file);
    EXPECT_EQ(report.match.ended.reason, "map change");
    EXPECT_EQ(report.players.size(), 1u);
    EXPECT_EQ(report.otherInfo.front().second, "One");
}

TEST(Registry, QuakeWorldReadersAreNamed) {
    EXPECT_EQ(FindEngineReader("QuakeWorld-MVD")->read, &ReadQuakeWorldMvd);
    EXPECT_EQ(FindEngineReader("quakeworld-qwd")->read, &ReadQuakeWorldQwd);
}

} // namespace
} // namespace fenlark::readers

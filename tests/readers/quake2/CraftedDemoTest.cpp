// Quake II demos made here, for what the real files do not show: scores at a
// match's end, spectators following someone, players coming and going,
// deltas from older frames, the later protocols and damage.

#include "readers/quake2/Quake2Readers.h"
#include "readers/quake2/QuakeText.h"
#include "tests/readers/quake2/MessageBytes.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace fenlark::readers {
namespace {

using test::Blocks;
using test::MessageBytes;

constexpr int PsType = 1 << 0;
constexpr int StatFrags = 14;
constexpr int StatChase = 16;

MessageBytes ServerData34(int recorder) {
    MessageBytes m;
    m.u8(12).i32(34).i32(77).u8(1).text("").u16(recorder).text("Crafted Arena");
    return m;
}

MessageBytes& ConfigString(MessageBytes& m, int index, std::string_view value) {
    m.u8(13).u16(index).text(value);
    return m;
}

struct Frame {
    int number = 1;
    int delta = -1;
    int pmType = -1; // -1: not sent
    std::vector<std::pair<int, int>> stats;
};

// A protocol 34 frame with no entities.
MessageBytes& FrameOf(MessageBytes& m, const Frame& f) {
    m.u8(20).i32(f.number).i32(f.delta).u8(0).u8(0);
    m.u8(17).u16(f.pmType >= 0 ? PsType : 0);
    if (f.pmType >= 0) {
        m.u8(f.pmType);
    }
    std::int64_t bits = 0;
    for (const auto& [stat, value] : f.stats) {
        bits |= std::int64_t{1} << stat;
    }
    m.i32(bits);
    for (const auto& [stat, value] : f.stats) {
        m.u16(value & 0xFFFF);
    }
    m.u8(18).u8(0).u8(0);
    return m;
}

MessageBytes FrameMessage(const Frame& f) {
    MessageBytes m;
    return FrameOf(m, f);
}

MessageBytes Print(int level, std::string_view text) {
    MessageBytes m;
    m.u8(10).u8(level).text(text);
    return m;
}

MessageBytes Opening() {
    MessageBytes m = ServerData34(0);
    ConfigString(m, 33, "maps/crafted.bsp");
    ConfigString(m, 1312, "Alice\\female/athena");
    ConfigString(m, 1313, "Bob: the builder\\male/grunt");
    return m;
}

const MatchPlayer& Player(const EngineReport& report, std::string_view name) {
    for (const MatchPlayer& p : report.match.players) {
        if (p.name == name) {
            return p;
        }
    }
    static const MatchPlayer none;
    ADD_FAILURE() << "no player " << name;
    return none;
}

TEST(Quake2CraftedDemo, FragsStopCountingAtTheMatchEndAndChatLinesAreSplit) {
    const EngineReport report = test::Read(
        &ReadQuake2Demo,
        Blocks({Opening(), FrameMessage({1, -1, 0, {{StatFrags, 0}}}),
                FrameMessage({2, 1, -1, {{StatFrags, 3}}}), Print(3, "Bob: the builder: hi all\n"),
                Print(3, "(Alice): go\n"), Print(3, "Countdown aborted!\n"),
                Print(2, "Timelimit hit.\n"), FrameMessage({3, 2, -1, {{StatFrags, 0}}})}));
    EXPECT_EQ(report.map, "crafted");
    EXPECT_EQ(report.mod, "baseq2");
    EXPECT_EQ(Player(report, "Alice").score, 3);
    EXPECT_EQ(report.match.durationMs, 200);
    ASSERT_EQ(report.match.chat.size(), 2U);
    EXPECT_EQ(report.match.chat[0].sender, "Bob: the builder");
    EXPECT_EQ(report.match.chat[0].text, "hi all");
    EXPECT_FALSE(report.match.chat[0].team);
    EXPECT_EQ(report.match.chat[1].sender, "Alice");
    EXPECT_TRUE(report.match.chat[1].team);
    EXPECT_EQ(report.match.ended.reason, "end marker");
}

TEST(Quake2CraftedDemo, TheBaseGamesScoreboardGivesEveryonesScoreWhenItIsTheLatest) {
    MessageBytes early;
    early.u8(4).text("xv 32 yv 32 client 32 32 0 1 50 3 client 32 64 1 2 20 3 ");
    MessageBytes intermission;
    intermission.u8(4).text("xv 32 yv 32 picn tag1 client 32 32 1 15 50 3 client 32 64 0 9 20 3 ");
    const EngineReport report =
        test::Read(&ReadQuake2Demo,
                   Blocks({Opening(), FrameMessage({1, -1, 0, {{StatFrags, 0}}}), early,
                           FrameMessage({2, 1, -1, {{StatFrags, 8}}}), Print(2, "Fraglimit hit.\n"),
                           FrameMessage({3, 2, 4, {{StatFrags, 8}}}), intermission}));
    EXPECT_EQ(Player(report, "Alice").score, 9);
    EXPECT_EQ(Player(report, "Bob: the builder").score, 15);

    // Shown during play, an older scoreboard gives way to the frags.
    const EngineReport during =
        test::Read(&ReadQuake2Demo, Blocks({Opening(), FrameMessage({1, -1, 0, {{StatFrags, 0}}}),
                                            early, FrameMessage({2, 1, -1, {{StatFrags, 8}}})}));
    EXPECT_EQ(Player(during, "Alice").score, 8);
    EXPECT_EQ(Player(during, "Bob: the builder").score, 2);
}

TEST(Quake2CraftedDemo, ARecorderFollowingSomeoneIsASpectatorWithoutFrags) {
    const EngineReport report =
        test::Read(&ReadQuake2Demo,
                   Blocks({Opening(), FrameMessage({1, -1, 4, {{StatFrags, 9}, {StatChase, 1313}}}),
                           FrameMessage({2, 1, 1, {}})}));
    EXPECT_EQ(Player(report, "Alice").score, std::nullopt);
    EXPECT_EQ(Player(report, "Alice").team, "spectator");
    EXPECT_TRUE(report.players[0].spectator);
    EXPECT_FALSE(report.players[1].spectator); // unknown from the recorder's view
}

TEST(Quake2CraftedDemo, StatsOfADeltaComeFromTheFrameItNames) {
    // Frame 3 changes frame 1, not frame 2: its frags are frame 1's.
    const EngineReport report =
        test::Read(&ReadQuake2Demo, Blocks({Opening(), FrameMessage({1, -1, 0, {{StatFrags, 5}}}),
                                            FrameMessage({2, 1, -1, {{StatFrags, 6}}}),
                                            FrameMessage({3, 1, -1, {}})}));
    EXPECT_EQ(Player(report, "Alice").score, 5);
}

TEST(Quake2CraftedDemo, PlayersComeRenameAndGo) {
    MessageBytes join;
    ConfigString(join, 1314, "Carol\\male/grunt");
    MessageBytes rename;
    ConfigString(rename, 1314, "Caroline\\male/grunt");
    MessageBytes free;
    ConfigString(free, 1313, "");
    const EngineReport report = test::Read(
        &ReadQuake2Demo,
        Blocks({Opening(), FrameMessage({10, -1, -1, {}}), FrameMessage({14, 10, -1, {}}), join,
                FrameMessage({20, 14, -1, {}}), rename, free, FrameMessage({25, 20, -1, {}}),
                Print(2, "Caroline disconnected\n"), FrameMessage({30, 25, -1, {}})}));
    const MatchPlayer& carol = Player(report, "Caroline");
    EXPECT_EQ(carol.joinedMs, 400);
    EXPECT_EQ(carol.leftMs, 1500);
    EXPECT_EQ(Player(report, "Bob: the builder").leftMs, 1000);
    using Kind = MatchPlayerEvent::Kind;
    std::vector<Kind> kinds;
    for (const MatchPlayerEvent& event : report.match.playerEvents) {
        kinds.push_back(event.kind);
    }
    EXPECT_EQ(kinds, (std::vector<Kind>{Kind::Join, Kind::Rename, Kind::Leave, Kind::Leave}));
    EXPECT_EQ(report.match.playerEvents[1].value, "Carol");
    EXPECT_EQ(report.match.durationMs, 2000);
}

TEST(Quake2CraftedDemo, DamageStopsTheReadingWithWhatWasReadBefore) {
    std::vector<std::uint8_t> cut = Blocks({Opening(), FrameMessage({1, -1, 0, {{StatFrags, 2}}}),
                                            Print(3, "Alice: a long line of chat\n")},
                                           false);
    cut.resize(cut.size() - 10);
    EngineReport report = test::Read(&ReadQuake2Demo, cut);
    EXPECT_EQ(report.match.ended.reason, "cut inside a record");
    EXPECT_EQ(report.match.ended.messagesRead, 2U);
    EXPECT_EQ(report.players.size(), 2U);
    EXPECT_EQ(Player(report, "Alice").score, 2);

    // A temporary entity no engine defines (type 32) cannot be measured.
    MessageBytes flame;
    flame.u8(3).u8(32).zeros(12);
    report = test::Read(&ReadQuake2Demo, Blocks({Opening(), flame, Print(3, "Alice: lost\n")}));
    EXPECT_EQ(report.match.ended.reason, "unsupported message");
    EXPECT_EQ(report.match.ended.messagesRead, 1U);
    EXPECT_TRUE(report.match.chat.empty());
    EXPECT_EQ(report.map, "crafted");

    // A block longer than any message.
    MessageBytes huge;
    huge.i32(0x7FFFFFF0);
    report = test::Read(&ReadQuake2Demo, huge.bytes());
    EXPECT_EQ(report.match.ended.reason, "illegal data");

    // A protocol the reader does not know.
    MessageBytes other;
    other.u8(12).i32(37).i32(1).u8(1).text("").u16(0).text("x");
    report = test::Read(&ReadQuake2Demo, Blocks({other}));
    EXPECT_EQ(report.match.ended.reason, "unsupported message");
    EXPECT_FALSE(report.protocol);
}

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& plain) {
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<std::uint8_t> packed(plain.size() + 64);
    z.next_in = const_cast<Bytef*>(plain.data());
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    deflate(&z, Z_FINISH);
    packed.resize(packed.size() - z.avail_out);
    deflateEnd(&z);
    return packed;
}

TEST(Quake2CraftedDemo, Protocol35FramesAndCompressedPackets) {
    MessageBytes opening;
    opening.u8(12).i32(35).i32(5).u8(1).text("r1q2mod").u16(1).text("R1Q2 Level");
    opening.u8(0).u16(1905).u8(0).u8(0); // not enhanced, version, deltas, strafe hack
    ConfigString(opening, 1313, "Dave\\male/grunt");
    // An entity baseline with a model (bit 11) and a 32-bit solid (bit 27).
    opening.u8(14).u8(0x80).u8(0x88).u8(0x80).u8(0x08).u8(5).u8(7).i32(0x12345678);

    MessageBytes inner;
    ConfigString(inner, 33, "maps/r1.bsp");
    inner.u8(10).u8(3).text("Dave: packed\n");
    const std::vector<std::uint8_t> packed = Deflate(inner.bytes());
    MessageBytes compressed;
    compressed.u8(21).u16(static_cast<int>(packed.size())).u16(static_cast<int>(inner.size()));
    compressed.raw(packed);

    // Frame 8 (no delta: 31 in the top five bits), then frame 9 delta 1. The
    // opcode's top bits and the flags byte's top half carry the extra flags:
    // stats (bit 5) come from the opcode.
    auto frame = [](int number, int delta, int frags) {
        MessageBytes m;
        m.u8(20 | (2 << 5)).i32((std::int64_t{delta} << 27) | number).u8(0).u8(0);
        m.u16(PsType).u8(0).i32(1 << StatFrags).u16(frags);
        m.u8(0).u8(0); // no entities
        return m;
    };
    const EngineReport report =
        test::Read(&ReadQuake2Demo, Blocks({opening, compressed, frame(8, 31, 1), frame(9, 1, 4)}));
    EXPECT_EQ(report.protocol, "35.1905");
    EXPECT_EQ(report.mod, "r1q2mod");
    EXPECT_EQ(report.map, "r1");
    ASSERT_EQ(report.match.chat.size(), 1U);
    EXPECT_EQ(report.match.chat[0].text, "packed");
    EXPECT_EQ(Player(report, "Dave").score, 4);
    EXPECT_EQ(report.match.durationMs, 100);
    EXPECT_EQ(report.match.ended.reason, "end marker");
}

TEST(Quake2CraftedDemo, Protocol36GameStateStream) {
    MessageBytes opening;
    opening.u8(12).i32(36).i32(5).u8(1).text("").u16(0).text("Q2PRO Level");
    opening.u16(1023).u8(2).u8(0).u8(0).u8(0); // version, state, three hacks
    opening.u8(23);                            // configstrings, then baselines
    opening.u16(33).text("maps/pro.bsp").u16(1312).text("Erin\\female/athena").u16(2080);
    opening.u8(0x0C).u8(3);        // entity 3: angles 2 and 3 ...
    opening.u8(1).u8(2);           // ... one byte each
    opening.u8(0).u8(0);           // end of baselines
    opening.u8(24).i32(1).i32(20); // twenty frames a second
    auto frame = [](int number) {
        MessageBytes m;
        m.u8(20).i32((std::int64_t{31} << 27) | number).u8(0).u8(0).u16(0).u8(0).u8(0);
        return m;
    };
    const EngineReport report =
        test::Read(&ReadQuake2Demo, Blocks({opening, frame(100), frame(140)}));
    EXPECT_EQ(report.protocol, "36.1023");
    EXPECT_EQ(report.map, "pro");
    EXPECT_EQ(report.players.size(), 1U);
    EXPECT_EQ(report.match.durationMs, 2000); // 40 frames at 50 ms
}

TEST(Quake2Text, GoldLettersAndGlyphsBecomeReadable) {
    using quake2::QuakeTextToUtf8;
    EXPECT_EQ(QuakeTextToUtf8("\xE7\xEF\xEC\xE4 ok"), "gold ok");
    EXPECT_EQ(QuakeTextToUtf8("\x90\x12\x13\x91"), "[01]");
    EXPECT_EQ(QuakeTextToUtf8("\xA0\xB0\xBA\xB0\xB0"), " 0:00");
    EXPECT_EQ(QuakeTextToUtf8("a\x85z"), "a\u2022z");
}

} // namespace
} // namespace fenlark::readers

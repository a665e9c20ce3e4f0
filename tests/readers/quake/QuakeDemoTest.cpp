// The Quake (NetQuake) reader on the real demos of the shared folder and on
// crafted ones for the later protocols, chat, obituaries and damage. The
// real files' facts come from a hex dump (level name, map, the name
// "player") and from their block count at about 72 frames a second.

#include "readers/EngineReaders.h"
#include "readers/quake/QuakeDemoReader.h"
#include "tests/readers/quake/ByteWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fenlark::readers {
namespace {

using testing::ByteWriter;

EngineReport ReadFile(const std::filesystem::path& path, ReadDepth depth) {
    auto source = FileSource::open(path.string());
    EXPECT_NE(source, nullptr);
    return source ? ReadQuakeDemo(*source, depth) : EngineReport{};
}

EngineReport ReadBytes(const ByteWriter& file, ReadDepth depth = ReadDepth::WholeFile) {
    MemorySource source(file.bytes);
    return ReadQuakeDemo(source, depth);
}

std::string Row(const EngineReport& report, std::string_view label) {
    for (const auto& [key, value] : report.otherInfo) {
        if (key == label) {
            return value;
        }
    }
    return {};
}

struct RealDemo {
    const char* file;
    const char* map;
    const char* level;
    std::int64_t durationMs;
};

TEST(RealQuakeDemo, SinglePlayerDemos) {
    for (const RealDemo& demo :
         {RealDemo{"qfm_demo1.dem", "e1m3", "the Police", 63952},
          RealDemo{"qfm_demo3.dem", "e1m6", "The door to Chthonian Condominium", 76992}}) {
        const auto path = std::filesystem::path(FENLARK_SHARED_DEMOS) / "quake1_dem" / demo.file;
        if (!std::filesystem::exists(path)) {
            GTEST_SKIP() << "no " << path;
        }
        const EngineReport report = ReadFile(path, ReadDepth::WholeFile);
        EXPECT_EQ(report.protocol, "15");
        EXPECT_EQ(report.map, demo.map);
        EXPECT_EQ(Row(report, "Level name"), demo.level);
        EXPECT_EQ(Row(report, "Game type"), "single player");
        ASSERT_EQ(report.players.size(), 1u);
        EXPECT_EQ(report.players[0].name, "player");
        EXPECT_TRUE(report.teams.empty());
        const MatchFacts& match = report.match;
        EXPECT_EQ(match.durationMs, demo.durationMs);
        EXPECT_EQ(match.ended.reason, "end marker");
        // The last block is the single svc_disconnect the client writes.
        EXPECT_EQ(match.ended.byteOffset, std::filesystem::file_size(path) - 1);
        ASSERT_TRUE(match.recorder);
        EXPECT_EQ(match.recorder->name, "player");
        ASSERT_TRUE(match.gameType);
        EXPECT_EQ(match.gameType->number, 0);

        const EngineReport window = ReadFile(path, ReadDepth::Window);
        EXPECT_EQ(window.match.ended.reason, "window complete");
        EXPECT_LT(*window.match.ended.byteOffset, 16384u);
        EXPECT_EQ(window.players.size(), 1u);
        EXPECT_EQ(window.map, demo.map);
    }
}

// A FitzQuake (666) deathmatch: wide entity, client data and baseline fields,
// fog and big sound numbers, then chat, an obituary in pieces and the end.
ByteWriter FitzDeathmatch() {
    ByteWriter block;
    // The server's banner ends without a line break; chat still starts a line.
    block.u8(8).str("\x02\nVERSION 1.09 SERVER (1 CRC)");
    block.u8(11).i32(666).u8(4).u8(1).str("Fitz Arena");
    block.str("maps/dm3.bsp").str("progs/player.mdl").str("").str("misc/null.wav").str("");
    block.u8(42).u16(1).u8(1 | 2 | 4 | 8).u16(300).u16(70).u8(0).u8(0).zeros(3 * (2 + 1));
    block.u8(200).u8(16); // alpha, scale
    block.u8(41).zeros(4).u16(100);
    block.u8(13).u8(0).str("Ranger").u8(14).u8(0).u16(0);
    block.u8(13).u8(1).str("the enemy").u8(17).u8(1).u8(0x4d);
    block.u8(5).u16(1).u8(25).u8(3);
    ByteWriter file;
    file.str("-1").bytes.back() = '\n';
    file.i32(static_cast<std::int32_t>(block.bytes.size())).zeros(12).raw(block.bytes);

    ByteWriter play;
    play.u8(7).f32(10.0f);
    // Entity with model2, alpha, lerp finish via two extension bytes.
    play.u8(0x80 | 1 | 2)
        .u8((1u << 15) >> 8 | (1u << 14) >> 8)
        .u8(0x01 | 0x02 | 0x08)
        .u16(300)
        .u16(12)
        .u8(9)
        .u8(9)
        .u8(9);
    play.u8(15).u16((1u << 15) | (1u << 0)).u8(1).u8(22).u32(0).u16(100).u8(1).zeros(4).u8(1).u8(5);
    play.u8(6).u8(1 | 16).u8(255).u16(0x10).u16(300).zeros(6);
    play.u8(8).str("\x01Ranger: fight!\n");
    play.u8(8).str("the enemy").u8(8).str(" rides ").u8(8).str("Ranger").u8(8).str("'s rocket\n");
    play.u8(14).u8(0).u16(1);
    file.i32(static_cast<std::int32_t>(play.bytes.size())).zeros(12).raw(play.bytes);
    ByteWriter end;
    end.u8(7).f32(12.5f).u8(30).u8(2);
    file.i32(static_cast<std::int32_t>(end.bytes.size())).zeros(12).raw(end.bytes);
    return file;
}

TEST(CraftedQuakeDemo, FitzQuakeDeathmatch) {
    const EngineReport report = ReadBytes(FitzDeathmatch());
    const MatchFacts& match = report.match;
    EXPECT_EQ(match.ended.reason, "end marker") << match.ended.detail;
    EXPECT_EQ(report.protocol, "666");
    EXPECT_EQ(report.map, "dm3");
    ASSERT_EQ(report.players.size(), 2u);
    EXPECT_EQ(report.players[1].name, "the enemy");
    EXPECT_EQ(match.durationMs, 2500);
    ASSERT_EQ(match.chat.size(), 1u);
    EXPECT_EQ(match.chat[0].sender, "Ranger");
    EXPECT_EQ(match.chat[0].text, "fight!");
    ASSERT_EQ(match.frags.size(), 1u);
    EXPECT_EQ(match.frags[0].killer, "Ranger");
    EXPECT_EQ(match.frags[0].victim, "the enemy");
    EXPECT_EQ(match.winner, "Ranger");
    ASSERT_TRUE(match.gameType);
    EXPECT_EQ(match.gameType->name, "deathmatch");
}

TEST(CraftedQuakeDemo, DamageStopsWithTheReason) {
    ByteWriter file = FitzDeathmatch();
    ByteWriter cut = file;
    cut.bytes.resize(cut.bytes.size() - 3);
    const EngineReport report = ReadBytes(cut);
    EXPECT_EQ(report.match.ended.reason, "cut inside a record");
    EXPECT_EQ(report.players.size(), 2u);

    ByteWriter unknown = file;
    unknown.bytes.resize(unknown.bytes.size() - 7 - 16); // drop the last block
    ByteWriter bad;
    bad.u8(7).f32(11.0f).u8(99);
    const std::size_t at = unknown.bytes.size() + 16 + 5;
    unknown.i32(static_cast<std::int32_t>(bad.bytes.size())).zeros(12).raw(bad.bytes);
    const MatchFacts damaged = ReadBytes(unknown).match;
    EXPECT_EQ(damaged.ended.reason, "illegal data");
    EXPECT_EQ(damaged.ended.detail, "unknown message 99");
    EXPECT_EQ(damaged.ended.byteOffset, at);

    ByteWriter text;
    text.str("Hello, this is text");
    EXPECT_EQ(ReadBytes(text).match.ended.reason, "illegal data");
}

TEST(CraftedQuakeDemo, LevelsAddUp) {
    // A demo going on over a level change: each level's clock starts anew.
    ByteWriter file;
    file.str("-1").bytes.back() = '\n';
    for (const char* map : {"maps/e1m1.bsp", "maps/e1m2.bsp"}) {
        ByteWriter block;
        block.u8(11).i32(15).u8(1).u8(0).str("level").str(map).str("").str("");
        block.u8(13).u8(0).str("player").u8(25).u8(3).u8(7).f32(1.0f);
        file.i32(static_cast<std::int32_t>(block.bytes.size())).zeros(12).raw(block.bytes);
        ByteWriter later;
        later.u8(7).f32(4.0f);
        file.i32(static_cast<std::int32_t>(later.bytes.size())).zeros(12).raw(later.bytes);
    }
    const EngineReport report = ReadBytes(file);
    EXPECT_EQ(report.match.ended.reason, "end of file");
    EXPECT_EQ(report.match.durationMs, 6000);
    EXPECT_EQ(report.map, "e1m1");
    EXPECT_EQ(Row(report, "Levels"), "e1m1, e1m2");
    EXPECT_TRUE(report.match.playerEvents.empty()); // the same player on both levels
}

TEST(CraftedQuakeDemo, RmqFlagsSetCoordinateAndAngleSizes) {
    // Protocol 999 with float coordinates and 16-bit angles.
    ByteWriter file;
    file.str("2").bytes.back() = '\n';
    ByteWriter block;
    block.u8(11).i32(999).u32((1u << 4) | (1u << 1)).u8(2).u8(1).str("Rmq");
    block.str("maps/e1m1.bsp").str("").str("");
    block.u8(22).u16(1).zeros(4).zeros(3 * (4 + 2)); // baseline
    block.u8(10).zeros(3 * 2);                       // setangle
    block.u8(23).u8(3).zeros(3 * 4);                 // explosion
    block.u8(13).u8(0).str("one").u8(25).u8(3).u8(7).f32(1.0f);
    block.u8(8).str("\x01one: sized\n");
    file.i32(static_cast<std::int32_t>(block.bytes.size())).zeros(12).raw(block.bytes);
    const EngineReport report = ReadBytes(file);
    EXPECT_EQ(report.match.ended.reason, "end of file") << report.match.ended.detail;
    EXPECT_EQ(report.protocol, "999");
    ASSERT_EQ(report.match.chat.size(), 1u);
    EXPECT_EQ(report.match.chat[0].text, "sized");
}

TEST(Registry, QuakeReaderIsNamed) {
    EXPECT_EQ(FindEngineReader("quake-dem")->read, &ReadQuakeDemo);
}

} // namespace
} // namespace fenlark::readers

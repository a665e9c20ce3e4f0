// The real GoldSrc demos of the shared demo folder. Expected values were read
// from the files: header and directory with a hex dump, the player's info
// string from its svc_updateuserinfo message.

#include "readers/goldsrc/GoldSrcDemoReader.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fenlark::test {
namespace {

namespace fs = std::filesystem;
using readers::EngineReport;
using readers::ReadDepth;

const fs::path Folder = fs::path(FENLARK_SHARED_DEMOS) / "hl1_dem";

std::optional<EngineReport> Read(const std::string& name, ReadDepth depth) {
    auto source = FileSource::open((Folder / name).string());
    if (!source) {
        return std::nullopt;
    }
    return readers::ReadGoldSrcDemo(*source, depth);
}

std::string Row(const EngineReport& report, const std::string& label) {
    for (const auto& [name, value] : report.otherInfo) {
        if (name == label) {
            return value;
        }
    }
    return "(none)";
}

TEST(GoldSrcRealDemos, SinglePlayerDemoGivesServerPlayerAndDirectoryDuration) {
    for (const auto depth : {ReadDepth::Window, ReadDepth::WholeFile}) {
        const auto report = Read("hldemo-rs_basic.dem", depth);
        if (!report) {
            GTEST_SKIP() << "shared demos absent: " << Folder;
        }
        EXPECT_EQ(report->map, "c1a0");
        EXPECT_EQ(report->mod, "valve");
        EXPECT_EQ(report->serverName, "Half-Life");
        EXPECT_EQ(report->protocol, "48");
        EXPECT_EQ(Row(*report, "Map file"), "maps/c1a0.bsp");
        EXPECT_EQ(Row(*report, "Segment 2"), "Playback, 2.886 s, 289 frames");
        ASSERT_EQ(report->players.size(), 1u);
        const auto& player = report->players[0];
        EXPECT_EQ(player.name, "^2{^7ch^2e^7a^2t^7s^2}^0__$#]^@");
        EXPECT_FALSE(player.spectator);
        const auto has = [&](const std::string& label, const std::string& value) {
            return std::find(player.details.begin(), player.details.end(),
                             std::make_pair(label, value)) != player.details.end();
        };
        EXPECT_TRUE(has("model", "barney"));
        EXPECT_TRUE(has("topcolor", "30"));
        EXPECT_TRUE(has("*sid", "76561197990048230"));
        ASSERT_TRUE(report->match.durationMs);
        EXPECT_EQ(*report->match.durationMs, 2886);
        // Every message of every frame was sized.
        EXPECT_EQ(Row(*report, "Frames not fully read"), "(none)");
    }
    const auto whole = Read("hldemo-rs_basic.dem", ReadDepth::WholeFile);
    EXPECT_EQ(whole->match.ended.reason, "end marker");
    EXPECT_EQ(whole->match.ended.byteOffset, 193192u) << "the directory follows the frames";
}

TEST(GoldSrcRealDemos, TinyAndDamagedTestFiles) {
    const auto frames = Read("hldemo-rs_frame-types.dem", ReadDepth::WholeFile);
    if (!frames) {
        GTEST_SKIP() << "shared demos absent: " << Folder;
    }
    // One frame of every kind, all empty: read to the segment's end.
    EXPECT_EQ(frames->match.ended.reason, "end marker");
    EXPECT_EQ(frames->match.ended.messagesRead, 10u);
    EXPECT_TRUE(frames->players.empty());

    const auto magic = Read("hldemo-rs_invalid-magic.dem", ReadDepth::Window);
    EXPECT_EQ(magic->match.ended.reason, "illegal data");
    EXPECT_EQ(magic->match.ended.detail, "not a GoldSrc demo (no HLDEMO magic)");

    const auto protocol = Read("hldemo-rs_invalid-demo-protocol.dem", ReadDepth::Window);
    EXPECT_EQ(protocol->match.ended.reason, "unknown variant");
    EXPECT_EQ(protocol->match.ended.detail, "demo protocol 4 is not read (only 5)");
    EXPECT_EQ(protocol->map, "c1a0");
}

} // namespace
} // namespace fenlark::test

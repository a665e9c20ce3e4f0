// The real Source demos of the shared demo folder. Expected values were read
// from the files themselves: header fields with a hex dump, players from the
// userinfo records, chat and frags from the messages (an independent Python
// decoder written while studying the format gave the same lists).

#include "readers/source/SourceDemoReader.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fenlark::test {
namespace {

namespace fs = std::filesystem;
using readers::EngineReport;
using readers::ReadDepth;

const fs::path Folder = fs::path(FENLARK_SHARED_DEMOS) / "source_dem";

std::optional<EngineReport> Read(const std::string& name, ReadDepth depth) {
    auto source = FileSource::open((Folder / name).string());
    if (!source) {
        return std::nullopt;
    }
    return readers::ReadSourceDemo(*source, depth);
}

std::string Detail(const readers::ReportedPlayer& player, const std::string& label) {
    for (const auto& [name, value] : player.details) {
        if (name == label) {
            return value;
        }
    }
    return "(none)";
}

struct Expected {
    std::string file;
    std::string map;
    std::string mod;
    std::string server;
    std::vector<std::string> players; // name|steam id|bot
    std::int64_t windowDurationMs;    // header playback time
    std::int64_t wholeDurationMs;     // from the ticks read
};

const std::vector<Expected> Demos = {
    {"hl2dm_ffa.dem",
     "dm_airfusion_final",
     "hl2mp",
     " www.everythingFPS.com | NA #1 | New Jersey",
     {" eFPS | SourceTV | NA #1|BOT|yes", "[VDuS] Carbon|[U:1:52900516]|no",
      "SE.Hammarn|[U:1:10585582]|no"},
     900720,
     900600},
    {"tf2_demostf_small.dem",
     "cp_gullywash",
     "tf",
     "Team Fortress 2",
     {"Icewind | demos.tf|[U:1:64229260]|no"},
     1725,
     1725},
    {"nekzor_hl2oe.dem",
     "d3_c17_12",
     "hl2",
     "Half-Life 2",
     {"[Penguin] MECHENIY|STEAM_0:0:0|no"},
     20550,
     20550},
    {"nekzor_portal.dem",
     "testchmb_a_00",
     "portal",
     "Half-Life 2",
     {"Can't Even|STEAM_0:0:0|no"},
     3945,
     3945},
    {"nekzor_portal_steampipe.dem",
     "testchmb_a_04",
     "portal",
     "Half-Life 2",
     {"NeKz|STEAM_0:0:0|no"},
     705,
     705},
};

TEST(SourceRealDemos, PlayersServerMapAndDurationAtBothDepths) {
    for (const auto& expected : Demos) {
        SCOPED_TRACE(expected.file);
        const auto window = Read(expected.file, ReadDepth::Window);
        if (!window) {
            GTEST_SKIP() << "shared demos absent: " << Folder;
        }
        EXPECT_EQ(window->match.ended.reason, "window complete");
        EXPECT_EQ(window->map, expected.map);
        EXPECT_EQ(window->mod, expected.mod);
        EXPECT_EQ(window->serverName, expected.server);
        std::vector<std::string> players;
        for (const auto& player : window->players) {
            players.push_back(player.name + "|" + Detail(player, "Steam id") + "|" +
                              Detail(player, "Bot"));
        }
        EXPECT_EQ(players, expected.players);
        EXPECT_EQ(window->match.durationMs, expected.windowDurationMs);

        const auto whole = Read(expected.file, ReadDepth::WholeFile);
        ASSERT_TRUE(whole);
        EXPECT_EQ(whole->match.ended.reason, "end marker");
        EXPECT_EQ(whole->match.durationMs, expected.wholeDurationMs);
        EXPECT_EQ(whole->players.size(), expected.players.size());
        // Every message of every packet was sized.
        for (const auto& [name, value] : whole->otherInfo) {
            EXPECT_NE(name, "Packets not fully read") << value;
        }
    }
}

TEST(SourceRealDemos, SourceTvProxyIsASpectatorAndTheChatAndFragsAreRead) {
    const auto report = Read("hl2dm_ffa.dem", ReadDepth::WholeFile);
    if (!report) {
        GTEST_SKIP() << "shared demos absent: " << Folder;
    }
    ASSERT_EQ(report->players.size(), 3u);
    EXPECT_TRUE(report->players[0].spectator);
    EXPECT_FALSE(report->players[1].spectator);

    const auto& chat = report->match.chat;
    ASSERT_EQ(chat.size(), 37u);
    EXPECT_EQ(chat[0].sender, "[VDuS] Carbon");
    EXPECT_EQ(chat[0].text, "n1");
    EXPECT_EQ(chat[0].timeMs, 41400);
    EXPECT_EQ(chat[15].sender, "SE.Hammarn");
    EXPECT_EQ(chat[15].text, "Shotgun still nerfed in stock?");

    const auto& frags = report->match.frags;
    ASSERT_EQ(frags.size(), 31u);
    EXPECT_EQ(frags[0].killer, "SE.Hammarn");
    EXPECT_EQ(frags[0].victim, "[VDuS] Carbon");
    EXPECT_EQ(frags[0].means, "357");
    EXPECT_EQ(frags[1].means, "combine_ball");
}

TEST(SourceRealDemos, CompressedUserInfoOfProtocol15AndCutFiles) {
    auto source = FileSource::open((Folder / "nekzor_portal.dem").string());
    if (!source) {
        GTEST_SKIP() << "shared demos absent: " << Folder;
    }
    // Protocol 15 sends its userinfo table LZSS-compressed; the name comes out.
    const auto whole = readers::ReadSourceDemo(*source, ReadDepth::WholeFile);
    ASSERT_EQ(whole.players.size(), 1u);
    EXPECT_EQ(whole.players[0].name, "Can't Even");
    EXPECT_EQ(Detail(whole.players[0], "User id"), "2848");

    // The same demo cut in the middle of its packets.
    std::vector<std::uint8_t> bytes(150000);
    ASSERT_EQ(source->readAt(0, bytes), bytes.size());
    MemorySource cut(std::move(bytes));
    const auto report = readers::ReadSourceDemo(cut, ReadDepth::WholeFile);
    EXPECT_EQ(report.match.ended.reason, "cut inside a record");
    ASSERT_TRUE(report.match.ended.byteOffset);
    EXPECT_LT(*report.match.ended.byteOffset, 150000u);
    EXPECT_GT(report.match.ended.messagesRead, 100u);
    ASSERT_EQ(report.players.size(), 1u);
}

} // namespace
} // namespace fenlark::test

// The Quake II and Q2PRO demos of the shared folder. The expected values were
// read from the files themselves: names, skins and map from the configstrings
// (strings/xxd), frame counts and final frags from an independent decode, the
// frags also from the game's own announcements in the demos ("claire wins, 4
// to 2.", "Mar1aN.lmr wins, 23 to 9.").

#include "readers/quake2/Quake2Readers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace fenlark::readers {
namespace {

std::string DemoPath(const std::string& name) {
    return std::string(FENLARK_SHARED_DEMOS) + "/" + name;
}

EngineReport ReadFile(EngineReaderFunction reader, const std::string& name, ReadDepth depth) {
    auto source = FileSource::open(DemoPath(name));
    if (!source) {
        ADD_FAILURE() << "cannot open " << name;
        return {};
    }
    return reader(*source, depth);
}

#define SKIP_WITHOUT_DEMOS()                                                                       \
    if (!std::filesystem::is_directory(FENLARK_SHARED_DEMOS)) {                                    \
        GTEST_SKIP() << "no shared demo folder";                                                   \
    }

const MatchPlayer* Find(const EngineReport& report, std::string_view name) {
    const auto& players = report.match.players;
    const auto found = std::find_if(players.begin(), players.end(),
                                    [&](const MatchPlayer& p) { return p.name == name; });
    return found == players.end() ? nullptr : &*found;
}

std::vector<std::string> Names(const EngineReport& report) {
    std::vector<std::string> names;
    for (const ReportedPlayer& player : report.players) {
        names.push_back(player.name);
    }
    return names;
}

std::string Detail(const ReportedPlayer& player, std::string_view label) {
    for (const auto& [key, value] : player.details) {
        if (key == label) {
            return value;
        }
    }
    return "<none>";
}

TEST(Quake2RealDemos, SinglePlayerDemoOfTheEdge) {
    SKIP_WITHOUT_DEMOS();
    const EngineReport report =
        ReadFile(&ReadQuake2Demo, "quake2_dm2/libq2_test.dm2", ReadDepth::WholeFile);
    EXPECT_EQ(report.protocol, "34");
    EXPECT_EQ(report.map, "q2dm1");
    EXPECT_EQ(report.mod, "baseq2");
    ASSERT_EQ(Names(report), std::vector<std::string>{"claire"});
    EXPECT_EQ(Detail(report.players[0], "Model"), "female");
    EXPECT_EQ(Detail(report.players[0], "Skin"), "jezebel");
    // Frames 1 to 23 at ten a second.
    EXPECT_EQ(report.match.durationMs, 2200);
    ASSERT_TRUE(report.match.recorder);
    EXPECT_EQ(report.match.recorder->name, "claire");
    ASSERT_EQ(report.match.chat.size(), 1U);
    EXPECT_EQ(report.match.chat[0].sender, "claire");
    EXPECT_EQ(report.match.chat[0].text, "hi");
    EXPECT_EQ(report.match.ended.reason, "end marker");
    EXPECT_EQ(report.match.ended.byteOffset, 7931U); // the file's size
}

TEST(Quake2RealDemos, DuelDemoGivesTheRecordersFinalFragsAndWhoCameAndWent) {
    SKIP_WITHOUT_DEMOS();
    const EngineReport report =
        ReadFile(&ReadQuake2Demo, "quake2_dm2/libq2_testduel.dm2", ReadDepth::WholeFile);
    EXPECT_EQ(report.map, "q2rdm2");
    EXPECT_EQ(report.mod, "opentdm");
    EXPECT_EQ(Names(report), (std::vector<std::string>{"shloo", "claire", "lolek?-papuga", "Ro11",
                                                       "fonsinho", "ckdkek", "DirkNight"}));
    EXPECT_EQ(report.match.durationMs, 319800); // frames 1 to 3199
    ASSERT_TRUE(report.match.recorder);
    EXPECT_EQ(report.match.recorder->clientNumber, 2);
    // Four frags when the match ended; the warm-up after it resets them to 0.
    const MatchPlayer* claire = Find(report, "claire");
    ASSERT_NE(claire, nullptr);
    EXPECT_EQ(claire->score, 4);
    // Only the recorder's frags are in a client demo.
    EXPECT_EQ(Find(report, "shloo")->score, std::nullopt);
    // lolek?-papuga left at frame 512; DirkNight took the slot at frame 1436.
    const MatchPlayer* left = Find(report, "lolek?-papuga");
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left->leftMs, 51100);
    EXPECT_EQ(Find(report, "DirkNight")->joinedMs, 143500);
    EXPECT_EQ(report.match.chat.size(), 6U);
    EXPECT_EQ(report.match.ended.reason, "end marker");
}

TEST(Quake2RealDemos, WindowDepthStopsBeforeTheFirstFrameWithThePlayersKnown) {
    SKIP_WITHOUT_DEMOS();
    const EngineReport window =
        ReadFile(&ReadQuake2Demo, "quake2_dm2/libq2_testduel.dm2", ReadDepth::Window);
    EXPECT_EQ(window.match.ended.reason, "window complete");
    EXPECT_LT(*window.match.ended.byteOffset, 10000U);
    EXPECT_EQ(window.map, "q2rdm2");
    EXPECT_EQ(Names(window).size(), 6U); // DirkNight comes later
    EXPECT_FALSE(window.match.durationMs);
}

TEST(Quake2RealDemos, SecondServersDemoOfTheSameMap) {
    SKIP_WITHOUT_DEMOS();
    const EngineReport report =
        ReadFile(&ReadQuake2Demo, "quake2_dm2/q2demo_test10.dm2", ReadDepth::WholeFile);
    EXPECT_EQ(report.map, "q2dm1");
    EXPECT_EQ(Names(report), std::vector<std::string>{"claire"});
    EXPECT_EQ(report.match.durationMs, 600);
    EXPECT_EQ(report.match.ended.reason, "end marker");
}

TEST(Q2ProRealDemos, MultiViewDemoGivesEveryPlayersFragsAndTheSpectators) {
    SKIP_WITHOUT_DEMOS();
    const EngineReport report =
        ReadFile(&ReadQ2ProMultiViewDemo, "q2pro_mvd2/libq2_test.mvd2", ReadDepth::WholeFile);
    EXPECT_EQ(report.protocol, "37.2010");
    EXPECT_EQ(report.map, "q2dm1");
    EXPECT_EQ(report.mod, "opentdm");
    EXPECT_EQ(report.match.durationMs, 620100); // 6201 frames
    ASSERT_TRUE(report.match.recorder);
    EXPECT_EQ(report.match.recorder->name, "[MVDSPEC]");
    EXPECT_EQ(Find(report, "claire")->score, 17);
    EXPECT_EQ(Find(report, "[dream]shloo")->score, 7);
    for (const ReportedPlayer& player : report.players) {
        const bool playing = player.name == "claire" || player.name == "[dream]shloo";
        EXPECT_EQ(player.spectator, !playing) << player.name;
    }
    // mcbass arrives at frame 912 and stays an observer.
    EXPECT_EQ(Find(report, "mcbass")->joinedMs, 91200);
    EXPECT_EQ(Find(report, "mcbass")->score, std::nullopt);
    EXPECT_EQ(report.match.chat.size(), 13U);
    EXPECT_EQ(report.match.ended.reason, "end marker");
}

TEST(Q2ProRealDemos, TenClientMultiViewDemo) {
    SKIP_WITHOUT_DEMOS();
    const EngineReport report =
        ReadFile(&ReadQ2ProMultiViewDemo, "q2pro_mvd2/q2demo_test.mvd2", ReadDepth::WholeFile);
    EXPECT_EQ(report.players.size(), 11U); // ten clients and the observer
    EXPECT_EQ(report.match.durationMs, 351800);
    EXPECT_EQ(Find(report, "Mar1aN.lmr")->score, 23);
    EXPECT_EQ(Find(report, "[bmw]RaFi")->score, 9);
    const auto playing = std::count_if(report.players.begin(), report.players.end(),
                                       [](const ReportedPlayer& p) { return !p.spectator; });
    EXPECT_EQ(playing, 2);
    EXPECT_EQ(report.match.ended.reason, "end marker");
}

TEST(Q2ProRealDemos, WindowDepthReadsOnlyTheFirstMessage) {
    SKIP_WITHOUT_DEMOS();
    const EngineReport window =
        ReadFile(&ReadQ2ProMultiViewDemo, "q2pro_mvd2/q2demo_test.mvd2", ReadDepth::Window);
    EXPECT_EQ(window.match.ended.reason, "window complete");
    EXPECT_EQ(window.match.ended.messagesRead, 1U);
    EXPECT_EQ(window.players.size(), 11U);
    EXPECT_FALSE(window.match.durationMs);
}

} // namespace
} // namespace fenlark::readers
